#pragma once

#include "printing/Report.h"
#include "shell/ScreenKit.h"

#include <functional>

// The three small print screens: a heading, what the button does, Annulla and the
// button. The button fills the document from the calling screen under the
// please-wait line, takes the line away, prints the document (or shows the
// preview) and closes the screen whatever the outcome.
class PrintScreen : public ScreenKit::Screen
{
    Q_OBJECT

public:
    struct Setup {
        QString caption;
        QString heading;
        QString description;
        QString instruction;
        QString icon;
        QString button;
        QRect headingGeometry;
        QRect instructionGeometry;
        QRect iconGeometry;
        QRect waitGeometry;
        bool gradientSeparator = false;
    };

    PrintScreen(QWidget *parent, const Setup &setup);

    // Reads a field of the calling screen (text fields) or a check box (ticked).
    using TextSource = std::function<QString(const char *field)>;
    using CheckSource = std::function<bool(const char *box)>;
    void setSource(TextSource text, CheckSource ticked = {});

public slots:
    void btnStampaClick();
    void btnAnnullaClick();

signals:
    // The document went to the printer (or into a file) whole.
    void printed(const Report::Document &document);

protected:
    // Builds the document and fills it from the calling screen.
    virtual Report::Document prepare() = 0;
    // Prints the prepared document after the print dialog; the preview screen shows it.
    virtual void deliver(const Report::Document &document);

    TextSource m_text;
    CheckSource m_ticked;
};

class TfrmStampa_Modello final : public PrintScreen
{
    Q_OBJECT
public:
    explicit TfrmStampa_Modello(QWidget *parent = nullptr);

protected:
    Report::Document prepare() override;
};

class TfrmAnteprima_Modello final : public PrintScreen
{
    Q_OBJECT
public:
    explicit TfrmAnteprima_Modello(QWidget *parent = nullptr);

protected:
    Report::Document prepare() override;
    void deliver(const Report::Document &document) override;
};

class TfrmStampaAllievo final : public PrintScreen
{
    Q_OBJECT
public:
    explicit TfrmStampaAllievo(QWidget *parent = nullptr);

protected:
    Report::Document prepare() override;
};
