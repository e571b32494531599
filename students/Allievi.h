#pragma once

#include "shell/RecordEditor.h"

// The student registry: one student at a time, registered, browsed and saved in
// the student archive, with the student's lessons and attachments.
class TfrmAllievi final : public RecordEditor
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmAllievi)

public:
    explicit TfrmAllievi(QWidget *parent = nullptr);

    void ClearStudentScreen();
    // Puts a student of the archive on screen (searches, lists): asks first
    // whether to save the changes of the student on screen, if any; false when
    // the screen keeps its student.
    bool LoadStudentScreen(const RecordBuffer &record, qint64 position);
    void StoreStudentScreen();

signals:
    void frequentatoriRequested();
    void scadenzeRequested();
    void oreGuidaRequested();
    // The lesson manager may open for the student on screen.
    void lezioniRequested();

public slots:
    void btnEmailClick();
    void btnLezioniGuidaClick();

protected:
    void showEvent(QShowEvent *event) override;
    void clearScreen() override { ClearStudentScreen(); }

private:
    void FormCreate();
};
