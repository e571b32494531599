#pragma once

#include "lessons/LessonRules.h"
#include "shell/RecordSaving.h"
#include "shell/ScreenKit.h"

class LineListView;
class QuickFindBar;
class QLabel;
class QLineEdit;
class RecordBuffer;

// The driving lessons of the student on the registry: the list of the student's
// lesson file, and the entry panel where a lesson is added or changed.
class TfrmLezioniGuida final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmLezioniGuida)

public:
    explicit TfrmLezioniGuida(QWidget *parent = nullptr);

    struct Student {
        QString nome;
        QString cognome;
        QString codiceCorso;
        QString posizione; // the registry's lblPosizione
    };
    // The student whose lessons are shown; set before the window is shown.
    void setStudent(const Student &student) { m_student = student; }

    LineListView *list() const { return lstRecords; }

    // Whether the lesson on the entry panel was changed since it was shown or saved.
    bool hasUnsavedChanges() const;

    // Closing, by either Chiudi or the window: from the entry panel, asks first
    // whether to save the lesson's changes, if any, and stays on Annulla or when
    // the save fails or is refused.
    void reject() override;

public slots:
    void btnAggiungiClick();
    void btnModificaClick();
    void btnSalvaClick();
    void btnStampaClick();
    void btnRegistroClick();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void showEntryPanel();
    void showLesson(const RecordBuffer &lesson);
    // What the lessons add up to, under the list, and the warnings of each line.
    void showSummary();
    // Fills Durata from the times, when both are times and Durata is empty.
    void fillDuration();
    // The warnings of the lesson on the entry panel, as typed.
    void showEntryWarnings();
    qint64 studentNumber() const;

public:
    // The warnings of each lesson, by its place in the file.
    const std::map<int, QStringList> &warnings() const { return m_warnings; }
    const Lessons::Summary &summary() const { return m_summary; }

private:
    void fillLesson(RecordBuffer &lesson) const;
    bool saveLesson();

    Student m_student;
    LineListView *lstRecords = nullptr;
    QuickFindBar *m_quickFind;
    QLabel *lblTotale = nullptr;
    QLabel *lblPosizione = nullptr;
    QLabel *lblFile = nullptr;
    QWidget *panCosti;
    RecordSaving::LoadedRecord m_loaded; // the lesson being changed, as read
    std::vector<Lessons::Lesson> m_lessons;   // the student's, as read when shown
    std::vector<Lessons::Booking> m_bookings; // everyone's, for double bookings
    Lessons::Keywords m_keywords;
    Lessons::Summary m_summary;
    std::map<int, QStringList> m_warnings;
    RecordSaving::ChangeWatch m_changes;
};
