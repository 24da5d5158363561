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

    // Loads Qt's own Chinese texts, so that file, print and page dialogs and standard
    // buttons speak the program's language. False when the translation is not installed.
    static bool installTranslations();
    // Puts a window that is about to be shown in the middle of the window it belongs to
    // (its parent's window, else the active one, else the screen).
    static void centreOnParent(QWidget* window);
};
