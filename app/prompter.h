// Every message box of the program goes through a Prompter, so tests can answer by script.
#pragma once

#include <QString>

class QWidget;

namespace quorvel::app {

enum class Answer { Ok, Cancel, Yes, No };

enum class Buttons { Ok, OkCancel, YesNo };

class Prompter {
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
class MessageBoxPrompter : public Prompter {
  public:
    Answer question(QWidget* parent, const QString& title, const QString& text,
                    Buttons buttons) override;
    Answer information(QWidget* parent, const QString& title, const QString& text,
                       Buttons buttons) override;
    Answer warning(QWidget* parent, const QString& title, const QString& text,
                   Buttons buttons) override;
};

}  // namespace quorvel::app
