#pragma once

#include "printing/Report.h"

#include "shell/RecordEditor.h"
#include "tt2112/SchoolDefaults.h"

#include <optional>

// The TT 2112 form manager: one form at a time, compiled, browsed and saved in
// the archive of forms, with the school's defaults kept between runs.
class TfrmMod_TT2112 final : public RecordEditor
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmMod_TT2112)

public:
    // After the form is printed: the status line names the values that were
    // printed small or cut to stay inside their boxes.
    void notePrintedFit(const Report::Document &document);
    explicit TfrmMod_TT2112(QWidget *parent = nullptr);

    void ClearTT2112Screen();
    void LoadTT2112Screen(const RecordBuffer &record);
    void StoreTT2112Screen();

    // Shows archived form `position` as the current record (from the form search):
    // asks first whether to save the changes of the form on screen, if any; false
    // when the screen keeps its form.
    bool showArchivedForm(const RecordBuffer &record, qint64 position);
    // Copies a student's fifteen personal fields into the form on screen (the import).
    void importStudent(const RecordBuffer &student);

signals:
    // Side actions whose screens are opened by their owners.
    void importaRequested();
    void anteprimaRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void clearScreen() override { ClearTT2112Screen(); }
    void aboutToClose() override;

private:
    void FormCreate();
    void readSchoolDefaults();

    // The defaults as read at this showing, and the texts the two fields showed
    // then (a field cannot hold a text as long as the file may): a field that
    // still shows them is unchanged, and its value in the file is left alone.
    struct ShownDefaults {
        SchoolDefaults::Values read;
        QString code;
        QString office;
    };
    std::optional<ShownDefaults> m_shownDefaults;

    // Whether this run has told that the settings file cannot keep the values.
    bool m_unstorableTold = false;
};
