#include "shell/Dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLineEdit>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTranslator>

#include <vector>

namespace Dialogs {
namespace {

Presenter &presenter()
{
    static Presenter current;
    return current;
}

FileChooser &fileChooser()
{
    static FileChooser current;
    return current;
}

FolderChooser &folderChooser()
{
    static FolderChooser current;
    return current;
}

PasswordAsker &passwordAsker()
{
    static PasswordAsker current;
    return current;
}

ItemChooser &itemChooser()
{
    static ItemChooser current;
    return current;
}

// The patterns of one filter entry, as Windows matches them.
class FilePatterns
{
public:
    explicit FilePatterns(const QString &filter)
    {
        // "Description (p1 p2)": the patterns are inside the last brackets; an entry
        // without brackets is all patterns.
        QStringView patterns(filter);
        const qsizetype open = patterns.lastIndexOf(u'(');
        if (open >= 0 && patterns.trimmed().endsWith(u')'))
            patterns = patterns.sliced(open + 1).trimmed().chopped(1);
        for (const QStringView pattern : patterns.split(u' ', Qt::SkipEmptyParts)) {
            add(pattern);
            // "name.*" also takes "name", and so "*.*" takes every name.
            if (pattern.endsWith(QLatin1String(".*")))
                add(pattern.chopped(2));
        }
    }

    bool matches(const QString &fileName) const
    {
        for (const QRegularExpression &expression : m_expressions) {
            if (expression.match(fileName).hasMatch())
                return true;
        }
        return false;
    }

private:
    void add(QStringView pattern)
    {
        m_expressions.push_back(QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive));
    }

    std::vector<QRegularExpression> m_expressions;
};

// Lists the dialog's files by the selected filter entry read as Windows reads
// it. The dialog's own file model lists every file (its own matching only greys
// out names), and this decides which of them the user sees and may choose.
class WindowsFilterModel final : public QSortFilterProxyModel
{
public:
    explicit WindowsFilterModel(QFileDialog &dialog)
        : m_patterns(dialog.selectedNameFilter())
    {
        connect(&dialog, &QFileDialog::filterSelected, this, [this](const QString &filter) {
            m_patterns = FilePatterns(filter);
            invalidateFilter();
        });
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        // Every file listed passes the filter and can be chosen.
        return QSortFilterProxyModel::flags(index) | Qt::ItemIsEnabled;
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const auto *files = static_cast<const QFileSystemModel *>(sourceModel());
        const QModelIndex index = files->index(row, 0, parent);
        return files->isDir(index) || m_patterns.matches(files->fileName(index));
    }

private:
    FilePatterns m_patterns;
};

Answer showBox(Kind kind, const QString &text)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton first = QMessageBox::Ok;
    switch (kind) {
    case Kind::Warning:
        icon = QMessageBox::Warning;
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case Kind::Error:
        icon = QMessageBox::Critical;
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case Kind::Information:
        icon = QMessageBox::Information;
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case Kind::Confirmation:
        icon = QMessageBox::Question;
        buttons = QMessageBox::Yes | QMessageBox::No;
        first = QMessageBox::Yes;
        break;
    case Kind::Question:
        icon = QMessageBox::Question;
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        first = QMessageBox::Yes;
        break;
    case Kind::Message:
        break;
    }
    QWidget *owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    QMessageBox box(icon, title(kind), text, buttons, owner);
    // The buttons speak Italian whatever the system's language.
    static constexpr struct {
        QMessageBox::StandardButton button;
        const char16_t *caption;
    } kCaptions[] = {
        {QMessageBox::Ok, u"OK"},
        {QMessageBox::Cancel, u"Annulla"},
        {QMessageBox::Yes, u"S\u00EC"},
        {QMessageBox::No, u"No"},
    };
    for (const auto &caption : kCaptions) {
        if (QAbstractButton *button = box.button(caption.button))
            button->setText(QString::fromUtf16(caption.caption));
    }
    box.setDefaultButton(first);
    if (kind == Kind::Question)
        box.setEscapeButton(QMessageBox::Cancel);
    box.setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        // Closing the box without a button counts as its last button.
        if (kind == Kind::Confirmation)
            return Answer::No;
        return buttons & QMessageBox::Cancel ? Answer::Cancel : Answer::Ok;
    }
}

} // namespace

QString title(Kind kind)
{
    switch (kind) {
    case Kind::Warning:
        return QStringLiteral("Attenzione");
    case Kind::Error:
        return QStringLiteral("Errore");
    case Kind::Information:
        return QStringLiteral("Informazione");
    case Kind::Confirmation:
    case Kind::Question:
        return QStringLiteral("Conferma");
    case Kind::Message:
        break;
    }
    return QString();
}

int choose(const QString &title, const QString &text, const QStringList &items)
{
    if (itemChooser())
        return itemChooser()(title, text, items);
    QWidget *owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    QInputDialog dialog(owner);
    dialog.setWindowTitle(title);
    dialog.setLabelText(text);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return static_cast<int>(items.indexOf(dialog.textValue()));
}

void setItemChooser(ItemChooser chooser)
{
    itemChooser() = std::move(chooser);
}

Answer show(Kind kind, const QString &text)
{
    if (presenter())
        return presenter()(kind, text);
    return showBox(kind, text);
}

void setPresenter(Presenter newPresenter)
{
    presenter() = std::move(newPresenter);
}

QString openFileName(const QString &title, const QString &filter)
{
    if (fileChooser())
        return fileChooser()(title, filter);
    QWidget *owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    QFileDialog dialog(owner, title);
#ifndef Q_OS_WIN
    // Only the Windows dialog reads "*.*" as every file; elsewhere the toolkit's
    // own dialog is used, whose list follows the Windows reading.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
#endif
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(filter);
    if (auto *files = dialog.findChild<QFileSystemModel *>()) {
        // The toolkit's dialog (a native dialog has no file model).
        files->setNameFilterDisables(true);
        dialog.setProxyModel(new WindowsFilterModel(dialog));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool filterShows(const QString &filter, const QString &fileName)
{
    return FilePatterns(filter).matches(fileName);
}

void setFileChooser(FileChooser chooser)
{
    fileChooser() = std::move(chooser);
}

QString existingFolder(const QString &title, const QString &start)
{
    if (folderChooser())
        return folderChooser()(title, start);
    QWidget *owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    QFileDialog dialog(owner, title, start);
#ifndef Q_OS_WIN
    dialog.setOption(QFileDialog::DontUseNativeDialog);
#endif
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void setFolderChooser(FolderChooser chooser)
{
    folderChooser() = std::move(chooser);
}

std::optional<QString> askPassword(const QString &title, const QString &text)
{
    if (passwordAsker())
        return passwordAsker()(title, text);
    QWidget *owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    QInputDialog dialog(owner);
    dialog.setWindowTitle(title);
    dialog.setLabelText(text);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Annulla"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

void setPasswordAsker(PasswordAsker asker)
{
    passwordAsker() = std::move(asker);
}

void installToolkitTranslations()
{
    // The program speaks Italian on every system, and so do the toolkit's dialogs.
    installToolkitTranslations(QLocale(QLocale::Italian, QLocale::Italy));
}

void installToolkitTranslations(const QLocale &locale)
{
    // The program folder carries the toolkit's translations on Windows; on Linux
    // they come with the system's Qt.
    auto *translator = new QTranslator(qApp);
    for (const QString &folder : QStringList{QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
        if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            return;
        }
    }
    delete translator;
}

} // namespace Dialogs
