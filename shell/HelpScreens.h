#pragma once

#include "shell/HelpTopics.h"
#include "shell/ScreenKit.h"

#include <QLabel>

// A link: dark blue and underlined, orange while the mouse is down on it.
class LinkLabel final : public QLabel
{
    Q_OBJECT
public:
    LinkLabel(const QString &text, QWidget *parent);
    // Pictures that act as the same link (press, release, click).
    void addPicture(QWidget *picture);

signals:
    void clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setColour(QColor colour);
    bool m_pressed = false;
};

// The help page: the title and the body of one topic, and the user guide in PDF.
class TfrmGuida final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmGuida)

public:
    explicit TfrmGuida(QWidget *parent = nullptr);
    void showTopic(HelpTopics::Topic topic);

public slots:
    void lnkWebClick();
};

// The codes of the technical prescriptions.
class TfrmIstruzioni final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmIstruzioni)

public:
    explicit TfrmIstruzioni(QWidget *parent = nullptr);
};

// About the program, with a link that writes to the maker.
class TfrmInfo final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmInfo)

public:
    explicit TfrmInfo(QWidget *parent = nullptr);
    static QString makerEmail();

public slots:
    void lnkWebClick();
};

// The credits, with a link to the maker's web site.
class TfrmSplash final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmSplash)

public:
    explicit TfrmSplash(QWidget *parent = nullptr);

public slots:
    void lnkWebClick();
};

// Opens the help page of `topic` for `caller`.
void showHelp(QWidget *caller, HelpTopics::Topic topic);
