#pragma once

#include "backup/Backup.h"
#include "shell/ScreenKit.h"

#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The backup screen: where backups go, the last verified one, a backup now,
// the automatic backup's settings, the password, and the restore of a backup.
// Backups and restores run in a thread of their own, with their progress on the
// screen; Annulla (or Esc) stops them.
class TfrmCopiaSicurezza final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmCopiaSicurezza)

public:
    explicit TfrmCopiaSicurezza(QWidget *parent = nullptr);

    // On closing the program: a backup when the last verified one is older than
    // the school's number of days (and none was restored in this run), with its
    // progress shown on a screen of its own; a failure is told, and closing goes
    // on all the same. Returns whether a backup was attempted.
    static bool runAutomatic(QWidget *parent);
    // Whether automatic backups wait for the next start (after a restore).
    static bool automaticPaused();

    bool isWorking() const { return m_working; }

public slots:
    void btnSfogliaClick();
    void btnEseguiClick();
    void btnAnnullaClick();
    void btnRipristinaClick();
    void btnPasswordClick();
    // Reads the folder again and shows its last verified backup.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Runs `work` in a thread of its own while the screen shows its progress.
    Backup::Result runWork(const std::function<Backup::Result(const Backup::Progress &)> &work);
    Backup::Result backupNow();
    void setWorking(bool working);
    void saveNumbers();

    QLineEdit *txtCartella = nullptr;
    QLineEdit *txtGiorni = nullptr;
    QLineEdit *txtConserva = nullptr;
    QLineEdit *txtPassword = nullptr;
    QLineEdit *txtConferma = nullptr;
    QLabel *lblUltima = nullptr;
    QLabel *lblFile = nullptr;
    QProgressBar *prgCopia = nullptr;
    bool m_working = false;
    bool m_advised = false;
    std::atomic<bool> m_cancel{false};
};
