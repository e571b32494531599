#pragma once

#include "shell/ScreenKit.h"

#include <QThread>

#include <memory>

class QLabel;

// The start screen: from here the user reaches the TT 2112 manager and the
// student registry, the help, information and credits screens and the maker's site.
class TfrmAvvio final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmAvvio)

public:
    explicit TfrmAvvio(QWidget *parent = nullptr);

    // The maker's web site, as the site strip shows it.

signals:
    // The two working screens are shown by whoever owns them.
    void modelloRequested();
    void anagraficaRequested();
    void infoRequested();
    void guidaRequested();
    void copyrightRequested();
    void scadenzeRequested();
    void oreGuidaRequested();
    void copiaRequested();
    // The program is about to end (the automatic backup runs here).
    void closing();
    // The count of urgent deadlines is on the screen.
    void deadlinesCounted(int urgent);

public slots:
    void imgModelloClick();
    void imgAnagraficaClick();
    void imgInfoClick();
    void imgGuidaClick();
    void imgCopyrightClick();
    void imgSitoClick();
    void imgEsciClick();
    void imgScadenzeClick();

public:
    ~TfrmAvvio() override;
    // "N scadenze entro 15 giorni", empty when there are none.
    QLabel *deadlineLine() const { return m_lblScadenze; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    // Counts the urgent deadlines in a thread of its own, once the screen shows.
    void countDeadlines();
    void showDeadlineCount(int urgent);

    QLabel *m_lblScadenze = nullptr;
    std::unique_ptr<QThread> m_counter;
    bool m_countAgain = false;
};
