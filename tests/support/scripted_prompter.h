// The Qt suites' stand-ins for the operator: a prompter that answers message boxes from a script
// and remembers what it was shown, and settings kept in a private folder.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <vector>

#include "dialogs/prompter.h"

namespace quorvel::test_support {

using dialogs::Answer;
using dialogs::Buttons;

// Answers from the script in order; once it is empty, questions get `unscripted` and the other
// boxes OK.
class ScriptedPrompter : public dialogs::Prompter {
  public:
    struct Shown {
        QString kind, title, text;
    };
    explicit ScriptedPrompter(Answer unscripted = Answer::Yes) : unscripted_(unscripted) {}

    Answer question(QWidget*, const QString& title, const QString& text, Buttons) override {
        return answer("question", title, text, unscripted_);
    }
    Answer information(QWidget*, const QString& title, const QString& text, Buttons) override {
        return answer("information", title, text, Answer::Ok);
    }
    Answer warning(QWidget*, const QString& title, const QString& text, Buttons) override {
        return answer("warning", title, text, Answer::Ok);
    }

    // The questions asked so far, each as title, separator, text.
    QStringList questions(const QString& separator = QStringLiteral("|")) const {
        QStringList out;
        for (const Shown& s : shown) {
            if (s.kind == QLatin1String("question")) {
                out.push_back(s.title + separator + s.text);
            }
        }
        return out;
    }

    std::deque<Answer> script;
    std::vector<Shown> shown;
    std::function<void()> onQuestion;  // runs while a question is on screen

  private:
    Answer answer(const char* kind, const QString& title, const QString& text, Answer fallback) {
        shown.push_back({QString::fromLatin1(kind), title, text});
        if (onQuestion && kind[0] == 'q') {
            onQuestion();
        }
        if (script.empty()) {
            return fallback;
        }
        const Answer a = script.front();
        script.pop_front();
        return a;
    }

    Answer unscripted_;
};

// Makes a prompter the dialogs' own for one scope.
class PrompterScope {
  public:
    explicit PrompterScope(dialogs::Prompter& p) { dialogs::SetDialogPrompter(&p); }
    ~PrompterScope() { dialogs::SetDialogPrompter(nullptr); }
    PrompterScope(const PrompterScope&) = delete;
    PrompterScope& operator=(const PrompterScope&) = delete;
};

// Settings go to a private folder for the whole test program, never to the user's own file.
inline void IsolateSettings() {
    static QTemporaryDir dir;
    static bool done = false;
    if (!done) {
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        done = true;
    }
}

}  // namespace quorvel::test_support
