#pragma once

#include "export/ExportTable.h"
#include "shell/ScreenKit.h"

#include <QAbstractTableModel>

class QTableView;

// The grid of an export screen: the archive's rows, some columns editable.
class ExportModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    ExportModel(const Export::Table &table, QObject *parent = nullptr);

    Export::Rows &rows() { return m_rows; }
    // Whether the whole archive was read (see Export::load).
    bool reload(const QString &path, const std::function<bool(qint64, qint64)> &progress = {});

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    const Export::Table &m_table;
    Export::Rows m_rows;
};

// The export of an archive: the grid, then the file written from it and offered
// for opening.
class ExportScreen : public ScreenKit::Screen
{
    Q_OBJECT

public:
    ExportScreen(QWidget *parent, const Export::Table &table);

    ExportModel *model() const { return m_model; }
    QTableView *grid() const { return m_grid; }
    QString exportPath() const;
    // Whether the last loading read the whole archive; until it has, nothing is exported.
    bool archiveRead() const { return m_archiveRead; }

signals:
    void guidaRequested();

public slots:
    void cmdEsportaClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    const Export::Table &m_table;
    ExportModel *m_model;
    QTableView *m_grid;
    bool m_archiveRead = false;
};

class TfrmExpModelli final : public ExportScreen
{
    Q_OBJECT
public:
    explicit TfrmExpModelli(QWidget *parent = nullptr);
};

class TfrmExpAllievi final : public ExportScreen
{
    Q_OBJECT
public:
    explicit TfrmExpAllievi(QWidget *parent = nullptr);
};
