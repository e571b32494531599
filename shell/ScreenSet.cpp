#include "shell/ScreenSet.h"

#include "access/CambiaPassword.h"
#include "access/Password.h"
#include "shell/Avvio.h"
#include "tt2112/Mod_TT2112.h"

ScreenSet::ScreenSet() = default;

ScreenSet::~ScreenSet()
{
    delete m_frmMod_TT2112;
    delete m_frmCambiaPassword;
    delete m_frmAvvio;
    delete m_frmPassword;
}

void ScreenSet::createScreens()
{
    m_frmPassword = new TfrmPassword();
    m_frmAvvio = new TfrmAvvio();
    m_frmCambiaPassword = new TfrmCambiaPassword();
    m_frmMod_TT2112 = new TfrmMod_TT2112();
    connectScreens();
}

void ScreenSet::connectScreens()
{
    connect(m_frmPassword, &TfrmPassword::accessGranted, this, [this] {
        showMaximisedScreen(m_frmAvvio);
        m_frmPassword->hide();
    });
    connect(m_frmPassword, &TfrmPassword::changePasswordRequested, this, [this] {
        switchScreens(m_frmPassword, m_frmCambiaPassword);
        m_frmCambiaPassword->activateWindow();
    });
    connect(m_frmCambiaPassword, &TfrmCambiaPassword::closed, m_frmPassword, &TfrmPassword::comeBack);
    connect(m_frmAvvio, &TfrmAvvio::modelloRequested, this, [this] {
        showMaximisedScreen(m_frmMod_TT2112);
        m_frmAvvio->hide();
    });
    connect(m_frmMod_TT2112, &RecordEditor::closed, this, [this] {
        showMaximisedScreen(m_frmAvvio);
        m_frmMod_TT2112->hide();
    });
}

void ScreenSet::start()
{
    m_frmPassword->show();
    m_frmPassword->activateWindow();
}

void ScreenSet::switchScreens(QWidget *from, QWidget *to)
{
    to->show();
    from->hide();
}

void ScreenSet::showMaximisedScreen(QWidget *screen)
{
    screen->showMaximized();
    screen->raise();
    screen->activateWindow();
}
