// Every message box of both programs goes through a Prompter, so tests can answer by script.
// Halvex's dialogs ask the process-wide one, which the main program and the tests may replace.
#pragma once

#include <QString>

#include "dialogs/halvex_api.h"

class QWidget;

namespace quorvel::dialogs {

enum class Answer { Ok, Cancel, Yes, No };

enum class Buttons { Ok, OkCancel, YesNo };

class QUORVEL_HALVEX_API Prompter {
  public:
    virtual ~Prompter() = default;
    virtual Answer question(QWidget* parent, const QString& title, const QString& text,
                            Buttons buttons) = 0;
    virtual Answer information(QWidget* parent, const QString& title, const QString& text,
                               Buttons buttons = Buttons::Ok) = 0;
    virtual Answer warning(QWidget* parent, const QString& title, const QString& text,
                           Buttons buttons = Buttons::Ok) = 0;
};

// Shows real message boxes.
class QUORVEL_HALVEX_API MessageBoxPrompter : public Prompter {
  public:
    Answer question(QWidget* parent, const QString& title, const QString& text,
                    Buttons buttons) override;
    Answer information(QWidget* parent, const QString& title, const QString& text,
                       Buttons buttons) override;
    Answer warning(QWidget* parent, const QString& title, const QString& text,
                   Buttons buttons) override;
};

// The prompter the library's dialogs use: real message boxes unless one was set.
QUORVEL_HALVEX_API Prompter& DialogPrompter();
// Sets it; null puts the real message boxes back. The caller keeps the prompter alive while set.
QUORVEL_HALVEX_API void SetDialogPrompter(Prompter* prompter);

}  // namespace quorvel::dialogs
