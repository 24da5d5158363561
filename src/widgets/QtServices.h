#pragma once

#include "Services.h"

// The services as the user meets them: Qt message boxes and file dialogs.
class QtServices : public Services
{
public:
    bool question(const QString& text, const QString& title) override;
    void message(const QString& text, const QString& title, MessageKind kind) override;
    void showException(const QString& message) override;
    bool chooseFile(FileDialog& dialog) override;
    QString chooseDirectory(const QString& title, const QString& startDir) override;
    void showModal(QWidget* window) override;
    void showModeless(QWidget* window) override;
};
