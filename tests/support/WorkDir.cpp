#include "WorkDir.h"

#include <QDir>

WorkDir::WorkDir()
    : m_previous(QDir::currentPath())
{
    if (m_dir.isValid()) QDir::setCurrent(m_dir.path());
}

WorkDir::~WorkDir()
{
    QDir::setCurrent(m_previous);
}
