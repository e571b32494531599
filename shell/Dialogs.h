#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The five kinds of message box, modal and owned by the active screen. Tests
// replace the presenter to record what was asked and to give the answer.
namespace Dialogs {

enum class Kind {
    Warning,      // "Attenzione", warning icon, OK and Annulla
    Error,        // "Errore", error icon, OK and Annulla
    Information,  // "Informazione", information icon, OK and Annulla
    Confirmation, // "Conferma", question icon, Sì and No
    Question,     // "Conferma", question icon, Sì, No and Annulla
    Message,      // no title, no icon, OK
};

enum class Answer { Ok, Cancel, Yes, No };

Answer show(Kind kind, const QString &text);

inline void warning(const QString &text) { show(Kind::Warning, text); }
inline void error(const QString &text) { show(Kind::Error, text); }
inline void information(const QString &text) { show(Kind::Information, text); }
inline bool confirm(const QString &text) { return show(Kind::Confirmation, text) == Answer::Yes; }
inline void message(const QString &text) { show(Kind::Message, text); }
// Sì, No or Annulla (Cancel); closing the box without a button is Annulla.
inline Answer ask(const QString &text) { return show(Kind::Question, text); }

// The title each kind shows.
QString title(Kind kind);

using Presenter = std::function<Answer(Kind, const QString &)>;
// Replaces the message boxes (an empty function restores them).
void setPresenter(Presenter presenter);

// The file-open dialog: the chosen file's full path, or an empty text when the
// user cancels. Tests replace it to choose a file of their own.
// The filter's patterns are read as Windows reads them (filterShows), whatever
// dialog the platform has: "Tutti i file (*.*)" lists every file, README included.
QString openFileName(const QString &title, const QString &filter);
using FileChooser = std::function<QString(const QString &title, const QString &filter)>;
void setFileChooser(FileChooser chooser);

// The folder dialog: the chosen folder's full path, or an empty text when the
// user cancels; it opens on `start`. Tests replace it to choose a folder.
QString existingFolder(const QString &title, const QString &start);
using FolderChooser = std::function<QString(const QString &title, const QString &start)>;
void setFolderChooser(FolderChooser chooser);

// Asks for a password, shown as bullets: nullopt when the user cancels. Tests
// replace it to answer.
std::optional<QString> askPassword(const QString &title, const QString &text);
using PasswordAsker = std::function<std::optional<QString>(const QString &title, const QString &text)>;
void setPasswordAsker(PasswordAsker asker);

// A choice among a few items, such as places of the same name: the index of the
// chosen item, or -1 when the user cancels. Tests replace it to make the choice.
int choose(const QString &title, const QString &text, const QStringList &items);
using ItemChooser = std::function<int(const QString &title, const QString &text, const QStringList &items)>;
void setItemChooser(ItemChooser chooser);

// Whether a filter entry of the file dialog ("Tutti i file (*.*)", "Documenti
// (*.pdf *.doc)") shows a file of that name. Letters match in either case, and a
// pattern ending in ".*" also takes the name without any extension, so "*.*"
// takes every name, with a dot or without.
bool filterShows(const QString &filter, const QString &fileName);

// Loads the toolkit's own translations for `locale`, so that its dialogs (print,
// page set-up, files) speak that language.
void installToolkitTranslations(const QLocale &locale);
void installToolkitTranslations(); // Italian, whatever the system's language

} // namespace Dialogs
