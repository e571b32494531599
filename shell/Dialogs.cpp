#include "shell/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

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
    case Kind::Message:
        break;
    }
    QWidget *owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    QMessageBox box(icon, title(kind), text, buttons, owner);
    box.setDefaultButton(first);
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
        return kind == Kind::Confirmation ? Answer::No : (buttons & QMessageBox::Cancel ? Answer::Cancel : Answer::Ok);
    }
}

} // namespace

QString title(Kind kind)
{
    switch (kind) {
    case Kind::Warning:
        return QStringLiteral("Warning");
    case Kind::Error:
        return QStringLiteral("Error");
    case Kind::Information:
        return QStringLiteral("Information");
    case Kind::Confirmation:
        return QStringLiteral("Confirm");
    case Kind::Message:
        break;
    }
    return QString();
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
    return QFileDialog::getOpenFileName(owner, title, QString(), filter);
}

void setFileChooser(FileChooser chooser)
{
    fileChooser() = std::move(chooser);
}

void installToolkitTranslations()
{
    installToolkitTranslations(QLocale::system());
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
