#include "WindowRegistry.h"

void WindowRegistry::add(const QString& className, Factory factory)
{
    m_factories.insert(className, std::move(factory));
    m_windows.remove(className);
}

void WindowRegistry::remove(const QString& className)
{
    m_factories.remove(className);
    m_windows.remove(className);
}

void WindowRegistry::clear()
{
    m_factories.clear();
    m_windows.clear();
}

QWidget* WindowRegistry::window(const QString& className, QWidget* parent)
{
    if (QWidget* w = existing(className)) return w;
    const auto it = m_factories.constFind(className);
    if (it == m_factories.constEnd()) return nullptr;
    QWidget* w = (*it)(parent);
    // A parent makes a widget a child of the main window; these are windows of their own.
    if (w && !w->isWindow()) w->setWindowFlag(Qt::Window);
    m_windows.insert(className, w);
    return w;
}

QWidget* WindowRegistry::existing(const QString& className) const
{
    const auto it = m_windows.constFind(className);
    return it == m_windows.constEnd() ? nullptr : it->data();
}

WindowRegistry& windowRegistry()
{
    static WindowRegistry registry;
    return registry;
}
