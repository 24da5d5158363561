#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

// The program's windows by class name ("TF_check", "TF_kfq", …). A window module
// registers a factory once; the first request creates the window, later requests give the
// same instance for as long as it lives. A name without a factory is a window the program
// does not offer yet.
class WindowRegistry
{
public:
    using Factory = std::function<QWidget*(QWidget* parent)>;

    void add(const QString& className, Factory factory);
    // Registers T under its class name; `instance` (the window's F_ variable) follows the
    // window: set when it is created, cleared when it is destroyed.
    template <typename T> void add(T** instance = nullptr)
    {
        add(QString::fromLatin1(T::staticMetaObject.className()), [instance](QWidget* parent) -> QWidget* {
            auto* window = new T(parent);
            if (instance) {
                *instance = window;
                QObject::connect(window, &QObject::destroyed, [instance, window] {
                    if (*instance == window) *instance = nullptr;
                });
            }
            return window;
        });
    }
    void remove(const QString& className);
    void clear();

    bool contains(const QString& className) const { return m_factories.contains(className); }
    // The window, created with `parent` on first use; nullptr when nothing is registered.
    QWidget* window(const QString& className, QWidget* parent = nullptr);
    // The window if it was created and still lives.
    QWidget* existing(const QString& className) const;

private:
    QHash<QString, Factory> m_factories;
    QHash<QString, QPointer<QWidget>> m_windows;
};

WindowRegistry& windowRegistry();
