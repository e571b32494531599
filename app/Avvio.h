#pragma once

#include "shell/ScreenKit.h"

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

public slots:
    void imgModelloClick();
    void imgAnagraficaClick();
    void imgInfoClick();
    void imgGuidaClick();
    void imgCopyrightClick();
    void imgSitoClick();
    void imgEsciClick();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
};
