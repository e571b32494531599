#pragma once

#include "shell/LineStore.h"
#include "shell/ScreenKit.h"

#include <functional>
#include <optional>

class LineListView;
class QuickFindBar;
class RecordBuffer;

// The students whose course is not finished, one sorted line each; a double click
// calls the student up on the registry.
class TfrmFrequentatoriOra final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmFrequentatoriOra)

public:
    explicit TfrmFrequentatoriOra(QWidget *parent = nullptr);

    // Shows a student (record and 1-based position) on the registry.
    using Loader = std::function<void(const RecordBuffer &, qint64)>;
    void setLoader(Loader loader) { m_loader = std::move(loader); }

    LineListView *list() const { return lstRecords; }

public slots:
    void lstRecordsDblClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();

    void showLines(RecordLines lines);

    LineListView *lstRecords = nullptr;
    QuickFindBar *m_quickFind = nullptr;
    std::optional<RecordLines> m_pendingLines;
    Loader m_loader;
    bool m_incomplete = false; // the archive was not read to the end; told when shown
};
