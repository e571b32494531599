#pragma once

// Answers the program's message boxes in tests and records what they said.

#include "shell/Dialogs.h"

#include <QList>
#include <QPair>

#include <functional>

struct DialogRecorder {
    QList<QPair<Dialogs::Kind, QString>> shown;
    Dialogs::Answer answer = Dialogs::Answer::Ok;
    // The answer to the three-button questions (Sì, No, Annulla): No unless a
    // test chooses, so that changes left on screen are dropped as the user may.
    Dialogs::Answer question = Dialogs::Answer::No;
    // Runs as each box is shown, before it is answered (a test may change the
    // world the answer meets).
    std::function<void(Dialogs::Kind, const QString &)> onShow;

    DialogRecorder()
    {
        Dialogs::setPresenter([this](Dialogs::Kind kind, const QString &text) {
            shown.append({kind, text});
            if (onShow)
                onShow(kind, text);
            if (kind == Dialogs::Kind::Question)
                return question;
            if (kind == Dialogs::Kind::Confirmation)
                return answer == Dialogs::Answer::Ok ? Dialogs::Answer::Yes : answer;
            return answer;
        });
    }
    ~DialogRecorder() { Dialogs::setPresenter({}); }
    DialogRecorder(const DialogRecorder &) = delete;
    DialogRecorder &operator=(const DialogRecorder &) = delete;

    // The only message shown since the last call, or an empty text when there was none.
    QString take()
    {
        if (shown.isEmpty())
            return QString();
        const QString text = shown.last().second;
        shown.clear();
        return text;
    }
};
