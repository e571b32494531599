#pragma once

#include <QObject>
#include <QWidget>

#include <memory>
#include <vector>

class TfrmPassword;
class TfrmAvvio;
class TfrmCambiaPassword;
class TfrmAllievi;
class TfrmMod_TT2112;

// The program's screens. Resident screens are created once, in a fixed order, and
// live for the whole run; at most one of them is visible at a time. On-demand
// screens are created by their callers (ScreenKit::openOnDemand) each time they
// are used; one instance of each is also created at start-up, in its place in the
// order, so that its creation step runs once, and is never shown. Those instances
// put off building their controls (ScreenKit::DeferredBuilding), so they cost
// start-up next to nothing.
class ScreenSet final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScreenSet)

public:
    ScreenSet();
    ~ScreenSet() override;

    // Creates the screens in their fixed order; each runs its creation step.
    void createScreens();
    // Shows the first screen, the login.
    void start();

    TfrmPassword *frmPassword() const { return m_frmPassword; }
    TfrmAvvio *frmAvvio() const { return m_frmAvvio; }
    TfrmCambiaPassword *frmCambiaPassword() const { return m_frmCambiaPassword; }
    TfrmAllievi *frmAllievi() const { return m_frmAllievi; }
    TfrmMod_TT2112 *frmMod_TT2112() const { return m_frmMod_TT2112; }

    // Moves between resident screens: shows `to` first, then hides `from`.
    static void switchScreens(QWidget *from, QWidget *to);
    // Shows a resident screen that opens maximised.
    static void showMaximisedScreen(QWidget *screen);

private:
    template <typename T>
    T *createResident(T *&slot);
    template <typename T>
    void createOnDemandInstance();
    void connectScreens();
    void connectSearches();
    void connectPrinting();
    void connectInformation();

    TfrmPassword *m_frmPassword = nullptr;
    TfrmAvvio *m_frmAvvio = nullptr;
    TfrmCambiaPassword *m_frmCambiaPassword = nullptr;
    TfrmAllievi *m_frmAllievi = nullptr;
    TfrmMod_TT2112 *m_frmMod_TT2112 = nullptr;
    // Every screen created at start-up, in creation order; destroyed in reverse.
    std::vector<std::unique_ptr<QWidget>> m_screens;
};
