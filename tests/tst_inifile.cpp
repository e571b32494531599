#include "TestSupport.h"

#include "access/PasswordStore.h"
#include "storage/ArchiveError.h"
#include "storage/FileReplacement.h"
#include "storage/IniFile.h"
#include "storage/NativeFile.h"

#include <QDateTime>
#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;
    const QString m_section = QStringLiteral("Modello TT2112");
    const QString m_code = QStringLiteral("Codice Autoscuola");
    const QString m_office = QStringLiteral("Ufficio Provinciale");

private slots:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("Autoscuola.ini"));
        QFile::remove(m_path);
    }

    void newFileIsWindowsStyle()
    {
        QVERIFY(IniFile::writeValue(m_path, m_section, m_code, QStringLiteral("AB 123")));
        QVERIFY(IniFile::writeValue(m_path, m_section, m_office, QStringLiteral("Forl\u00EC")));
        QCOMPARE(readAll(m_path), QByteArray("[Modello TT2112]\r\nCodice Autoscuola=AB 123\r\nUfficio Provinciale=Forl\xEC\r\n"));
        QCOMPARE(IniFile::readValue(m_path, m_section, m_office), QStringLiteral("Forl\u00EC"));
    }

    void otherContentIsKept()
    {
        // Comments, other sections, blank lines, lines that are not "key=value",
        // blanks around '=' and a last line without a line break all stay byte for byte.
        const QByteArray before =
            "; impostazioni dell'autoscuola\r\n"
            "[Generale]\r\n"
            "Tema=Blu\r\n"
            "riga senza uguale\r\n"
            "\r\n"
            "  [ Modello TT2112 ]  ; sezione dei moduli\r\n"
            "# Codice Autoscuola=commento\r\n"
            "Codice Autoscuola = VECCHIO\r\n"
            "Ufficio Provinciale=Roma\r\n"
            "Percorso=C:\\Dati\\Scuola";
        QVERIFY(writeAll(m_path, before));
        QVERIFY(IniFile::writeValue(m_path, m_section, m_code, QStringLiteral("NUOVO")));
        QByteArray expected = before;
        expected.replace("= VECCHIO", "=NUOVO");
        QCOMPARE(readAll(m_path), expected);
        QCOMPARE(IniFile::readValue(m_path, m_section, m_code), QStringLiteral("NUOVO"));
        QCOMPARE(IniFile::readValue(m_path, m_section, QStringLiteral("Percorso")), QStringLiteral("C:\\Dati\\Scuola"));

        // A key missing from the section goes after its last entry.
        QVERIFY(IniFile::writeValue(m_path, m_section, QStringLiteral("Nuova"), QStringLiteral("1")));
        QCOMPARE(readAll(m_path), expected + "\r\nNuova=1\r\n");
    }

    void valueAlreadyThereLeavesTheFileAlone()
    {
        // The same value, even with other blanks around it, is not written again:
        // the file is neither replaced nor touched.
        const QByteArray before = "[Modello TT2112]\r\nCodice Autoscuola =  AB 123 \r\nvecchia riga\r\n";
        QVERIFY(writeAll(m_path, before));
        // Dated a day back: any write or replacement would give it today's time.
        const QDateTime dated = QDateTime::currentDateTimeUtc().addDays(-1);
        {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(dated, QFileDevice::FileModificationTime));
        }
        QVERIFY(IniFile::writeValue(m_path, m_section, m_code, QStringLiteral("AB 123")));
        QCOMPARE(QFileInfo(m_path).lastModified().toUTC().toSecsSinceEpoch(), dated.toSecsSinceEpoch());
        QCOMPARE(readAll(m_path), before);
    }

    void everyCopyOfTheKeyIsSet()
    {
        // A key written twice, or a section that appears twice: no copy may keep the
        // old value, whichever copy a reader takes.
        QVERIFY(writeAll(m_path, "[Modello TT2112]\nCodice Autoscuola=A\n[Altro]\nCodice Autoscuola=Z\n"
                                 "[MODELLO TT2112]\nCODICE AUTOSCUOLA=B\n"));
        QVERIFY(IniFile::writeValue(m_path, m_section, m_code, QStringLiteral("C")));
        QCOMPARE(readAll(m_path), QByteArray("[Modello TT2112]\nCodice Autoscuola=C\n[Altro]\nCodice Autoscuola=Z\n"
                                             "[MODELLO TT2112]\nCODICE AUTOSCUOLA=C\n"));
        QCOMPARE(IniFile::readValue(m_path, m_section, m_code), QStringLiteral("C"));
    }

    void severalKeysChangedAtOnce()
    {
        // Each line changed in place, the later keys still found after an earlier
        // line has taken its new value.
        QVERIFY(writeAll(m_path, "[Modello TT2112]\r\nCodice Autoscuola=A\r\nUfficio Provinciale=Roma\r\nAltro=1\r\n"));
        QVERIFY(IniFile::writeValues(m_path, m_section,
                                     {{m_code, QStringLiteral("Codice molto piu lungo di prima")}, {m_office, QStringLiteral("Milano")},
                                      {QStringLiteral("Altro"), QStringLiteral("2")}}));
        QCOMPARE(readAll(m_path), QByteArray("[Modello TT2112]\r\nCodice Autoscuola=Codice molto piu lungo di prima\r\n"
                                             "Ufficio Provinciale=Milano\r\nAltro=2\r\n"));
    }

    void newSectionGoesAtTheEnd()
    {
        QVERIFY(writeAll(m_path, "[Accesso]\r\nValore=00"));
        QVERIFY(IniFile::writeValues(m_path, m_section, {{m_code, QStringLiteral("X")}, {m_office, QString()}}));
        QCOMPARE(readAll(m_path),
                 QByteArray("[Accesso]\r\nValore=00\r\n\r\n[Modello TT2112]\r\nCodice Autoscuola=X\r\nUfficio Provinciale=\r\n"));
        QCOMPARE(IniFile::readValue(m_path, QStringLiteral("Accesso"), QStringLiteral("Valore")), QStringLiteral("00"));
    }

    void nothingPastANulByteCounts_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        // Readers stop at a NUL byte: a key past it is not there for them, and the
        // bytes past it are kept as they are.
        QTest::newRow("key past the NUL") << QByteArray("[Modello TT2112]\nCodice Autoscuola=A\0B\nCodice Autoscuola=X\n", 59)
                                          << QByteArray("[Modello TT2112]\nCodice Autoscuola=C\0B\nCodice Autoscuola=X\n", 59);
        QTest::newRow("section past the NUL") << QByteArray("[Altro]\nK=1\n\0[Modello TT2112]\nCodice Autoscuola=C\n", 50)
                                              << QByteArray("[Altro]\nK=1\n\n[Modello TT2112]\nCodice Autoscuola=C\n\0[Modello TT2112]\nCodice Autoscuola=C\n", 88);
        // Nothing past the line of the NUL is looked at: a key after it stays as
        // it is, and the key the readers miss is added before the NUL.
        QTest::newRow("key on a line after the NUL")
            << QByteArray("[Modello TT2112]\r\nUfficio Provinciale=U\r\n; nota\0x\r\nCodice Autoscuola=A\r\n", 72)
            << QByteArray("[Modello TT2112]\r\nUfficio Provinciale=U\r\nCodice Autoscuola=C\r\n; nota\0x\r\nCodice Autoscuola=A\r\n", 93);
        QTest::newRow("entry cut by the NUL")
            << QByteArray("[Modello TT2112]\r\nUfficio Provinciale=U\0x\r\nCodice Autoscuola=A\r\n", 64)
            << QByteArray("[Modello TT2112]\r\nCodice Autoscuola=C\r\nUfficio Provinciale=U\0x\r\nCodice Autoscuola=A\r\n", 85);
        QTest::newRow("header cut by the NUL")
            << QByteArray("[Altro]\nK=1\n[Modello TT2112]\0\nCodice Autoscuola=A\n", 50)
            << QByteArray("[Altro]\nK=1\n\n[Modello TT2112]\nCodice Autoscuola=C\n[Modello TT2112]\0\nCodice Autoscuola=A\n", 88);
        QTest::newRow("NUL in the first line, after the byte-order mark")
            << QByteArray("\xEF\xBB\xBF[A\0]\n", 8) << QByteArray("\xEF\xBB\xBF[Modello TT2112]\nCodice Autoscuola=C\n[A\0]\n", 45);
    }

    void nothingPastANulByteCounts()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QVERIFY(writeAll(m_path, before));
        QVERIFY(IniFile::writeValue(m_path, m_section, m_code, QStringLiteral("C")));
        QCOMPARE(readAll(m_path), after);
        QCOMPARE(IniFile::readValue(m_path, m_section, m_code), QStringLiteral("C"));
    }

    void onlySmallRegularFilesAreRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        for (const char *name : {"Autoscuola.ini", "unins000.dll"}) {
#ifndef Q_OS_WIN
            QTest::addRow("%s: a pipe with no writer", name) << QString::fromLatin1(name) << QStringLiteral("fifo");
            QTest::addRow("%s: a link to /dev/zero", name) << QString::fromLatin1(name) << QStringLiteral("zero");
#endif
            QTest::addRow("%s: a folder", name) << QString::fromLatin1(name) << QStringLiteral("folder");
            QTest::addRow("%s: 1 MiB and one byte", name) << QString::fromLatin1(name) << QStringLiteral("large");
            QTest::addRow("%s: 1 MiB exactly", name) << QString::fromLatin1(name) << QStringLiteral("limit");
        }
    }

    void onlySmallRegularFilesAreRead()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        const auto cleanup = qScopeGuard([&] {
            if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
                QDir(path).removeRecursively();
            else
                QFile::remove(path);
        });
        // Both files hold a valid value when they are readable at all.
        const QByteArray content = name == QLatin1String("unins000.dll")
            ? QByteArray("[Accesso]\r\nValore=D24D657B83D29A904012C28D2044\r\n")
            : QByteArray("[Modello TT2112]\r\nCodice Autoscuola=A1\r\n");
        const QString section = name == QLatin1String("unins000.dll") ? QStringLiteral("Accesso") : m_section;
        const QString key = name == QLatin1String("unins000.dll") ? QStringLiteral("Valore") : m_code;
        const qint64 limit = qint64(1) << 20;
        bool readable = false;
#ifndef Q_OS_WIN
        if (kind == QLatin1String("fifo")) {
            // Nobody ever opens the other end: a reader that waited for it would never return.
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == QLatin1String("zero")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        }
#endif
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(m_dir.path()).mkdir(name));
        } else if (kind == QLatin1String("large") || kind == QLatin1String("limit")) {
            readable = kind == QLatin1String("limit");
            const qint64 size = readable ? limit : limit + 1;
            QVERIFY(writeAll(path, content + QByteArray(size - content.size() - 2, ';') + "\r\n"));
            QCOMPARE(QFileInfo(path).size(), size);
        }
        const IniFile::ReadResult read = IniFile::read(path, section, key);
        QCOMPARE(read.status, readable ? IniFile::ReadStatus::Ok : IniFile::ReadStatus::Unreadable);
        if (name == QLatin1String("unins000.dll")) {
            const PasswordCheck::Login login = PasswordCheck::checkLogin(path, QStringLiteral("passacorridoio"));
            QCOMPARE(login.result, readable ? PasswordCheck::LoginResult::Granted : PasswordCheck::LoginResult::ReadError);
        } else {
            QCOMPARE(read.value, readable ? QStringLiteral("A1") : QString());
        }
        // A write reads the file first: what cannot be read is not replaced.
        IniFile::WriteFailure failure;
        const bool written = IniFile::writeValues(path, section, {{key, QStringLiteral("00")}}, &failure);
        QCOMPARE(written, readable);
        if (!readable) {
            QCOMPARE(failure.kind, IniFile::WriteFailure::Kind::Unreadable);
            QVERIFY(!QFileInfo(path).isFile() || QFileInfo(path).size() == limit + 1);
        }
    }

    void readOnlyFileIsNotReplaced_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("school defaults") << QStringLiteral("Autoscuola.ini");
        QTest::newRow("password store") << QStringLiteral("unins000.dll");
        QTest::newRow("any file") << QStringLiteral("Modelli_TT_2112.xls");
    }

    void readOnlyFileIsNotReplaced()
    {
        QFETCH(QString, name);
        const QString path = m_dir.filePath(name);
        const QByteArray before = "[Accesso]\r\nValore=D24D\r\n[Modello TT2112]\r\nCodice Autoscuola=A1\r\n";
        QVERIFY(writeAll(path, before));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const auto cleanup = qScopeGuard([&] {
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
            QFile::remove(path);
        });
        if (name == QLatin1String("Autoscuola.ini")) {
            IniFile::WriteFailure failure;
            QVERIFY(!IniFile::writeValues(path, m_section, {{m_code, QStringLiteral("B2")}}, &failure));
            QCOMPARE(failure.kind, IniFile::WriteFailure::Kind::NotReplaced);
            QCOMPARE(failure.systemError, NativeFile::errorFor(NativeFile::Condition::AccessDenied));
        } else if (name == QLatin1String("unins000.dll")) {
            QVERIFY(!PasswordStore::writePassword(path, QStringLiteral("MELA")));
        } else {
            // Refused at once, before anything is written beside it.
            FileReplacement file(path);
            QVERIFY(!file.open());
            QVERIFY(!file.commit());
            QCOMPARE(file.systemError(), NativeFile::errorFor(NativeFile::Condition::AccessDenied));
            QCOMPARE(causeOfSystemError(file.systemError()), FailureCause::AccessDenied);
        }
        QCOMPARE(readAll(path), before);
        QVERIFY(!(QFile::permissions(path) & QFile::WriteOwner));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    }

    void leftoversOfKilledReplacementsAreRemoved()
    {
        // What a replacement killed half-way leaves beside its target, and other
        // files that must stay whatever their age.
        const QString hidden = m_dir.filePath(QStringLiteral(".Autoscuola.ini.%1.tmp"));
        const QString old = hidden.arg(QStringLiteral("1a2b3c"));
        const QString recent = hidden.arg(QStringLiteral("4d5e6f"));
        const QStringList others = {hidden.arg(QStringLiteral("xyz")), m_dir.filePath(QStringLiteral(".Altro.ini.1a2b3c.tmp")),
                                    m_dir.filePath(QStringLiteral("Autoscuola.ini.1a2b3c.tmp")),
                                    m_dir.filePath(QStringLiteral(".Autoscuola.ini.1a2b3c.tmp.bak"))};
        const QDateTime longAgo = QDateTime::currentDateTimeUtc().addSecs(-3600);
        for (const QString &file : QStringList{old, recent} + others) {
            QVERIFY(writeAll(file, QByteArray(1000, 'x')));
            if (file == recent)
                continue;
            QFile handle(file);
            QVERIFY(handle.open(QIODevice::ReadWrite));
            QVERIFY(handle.setFileTime(longAgo, QFileDevice::FileModificationTime));
        }
        QVERIFY(IniFile::writeValue(m_path, m_section, m_code, QStringLiteral("X")));
        QVERIFY(!QFileInfo::exists(old));
        // A recent one may belong to a replacement still under way.
        QVERIFY(QFileInfo::exists(recent));
        for (const QString &file : others)
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
        QCOMPARE(readAll(m_path), QByteArray("[Modello TT2112]\r\nCodice Autoscuola=X\r\n"));
        for (const QString &file : QStringList{recent} + others)
            QFile::remove(file);
    }

    void valueThatWouldNotReadBack()
    {
        const QByteArray before = "[Modello TT2112]\r\nCodice Autoscuola=A1\r\n";
        QVERIFY(writeAll(m_path, before));
        IniFile::WriteFailure failure;
        QVERIFY(!IniFile::writeValues(m_path, m_section, {{m_code, QStringLiteral("A\nB")}}, &failure));
        QCOMPARE(failure.kind, IniFile::WriteFailure::Kind::Unstorable);
        QCOMPARE(readAll(m_path), before);
    }

    void failedReplacementLeavesTheFileWhole_data()
    {
        QTest::addColumn<FileReplacement::Fault>("fault");
        QTest::newRow("temporary file cannot be made") << FileReplacement::Fault::Create;
        QTest::newRow("write fails") << FileReplacement::Fault::Write;
        QTest::newRow("flush fails") << FileReplacement::Fault::Flush;
        QTest::newRow("rename fails") << FileReplacement::Fault::Rename;
    }

    void failedReplacementLeavesTheFileWhole()
    {
        QFETCH(FileReplacement::Fault, fault);
        const QByteArray before = "[Modello TT2112]\r\nCodice Autoscuola=A1\r\n";
        QVERIFY(writeAll(m_path, before));
        FileReplacement::setFault(fault);
        const bool written = IniFile::writeValue(m_path, m_section, m_code, QStringLiteral("B2"));
        FileReplacement::setFault(FileReplacement::Fault::None);
        QVERIFY(!written);
        QCOMPARE(readAll(m_path), before);
        // No temporary file is left behind.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Autoscuola.ini")});
    }

    void namesMatchRegardlessOfCase()
    {
        QVERIFY(writeAll(m_path, "[modello tt2112]\r\ncodice autoscuola=X1\r\n"));
        QCOMPARE(IniFile::readValue(m_path, m_section, m_code), QStringLiteral("X1"));
        QVERIFY(IniFile::writeValue(m_path, m_section, m_code, QStringLiteral("X2")));
        QCOMPARE(readAll(m_path), QByteArray("[modello tt2112]\r\ncodice autoscuola=X2\r\n"));
    }

    void unixLineEndsStayUnix()
    {
        QVERIFY(writeAll(m_path, "[Accesso]\nValore=00\n"));
        QVERIFY(IniFile::writeValue(m_path, QStringLiteral("Accesso"), QStringLiteral("Valore"), QStringLiteral("FF")));
        QCOMPARE(readAll(m_path), QByteArray("[Accesso]\nValore=FF\n"));
    }

    void utf8WithByteOrderMark()
    {
        QVERIFY(writeAll(m_path, "\xEF\xBB\xBF[Modello TT2112]\r\nUfficio Provinciale=Cefal\xC3\xB9\r\n"));
        QCOMPARE(IniFile::readValue(m_path, m_section, m_office), QStringLiteral("Cefal\u00F9"));
        QVERIFY(IniFile::writeValue(m_path, m_section, m_office, QStringLiteral("Forl\u00EC")));
        QCOMPARE(readAll(m_path), QByteArray("\xEF\xBB\xBF[Modello TT2112]\r\nUfficio Provinciale=Forl\xC3\xAC\r\n"));
    }

    void windows1252FileStaysWindows1252()
    {
        // The mark's bytes are not at the very start, so this is a Windows-1252
        // file whose first line reads "ï»¿[Modello ..."; it must not turn into UTF-8.
        QVERIFY(writeAll(m_path, "\r\xEF\xBB\xBF[Modello TT2112 = x\n"));
        const QString value = QStringLiteral("AS 01 \u00E0\u20AC");
        QVERIFY(IniFile::writeValue(m_path, m_section, m_code, value));
        QCOMPARE(IniFile::readValue(m_path, m_section, m_code), value);
        const QByteArray after = readAll(m_path);
        QVERIFY(!after.startsWith("\xEF\xBB\xBF"));
        QVERIFY(after.contains("Codice Autoscuola=AS 01 \xE0\x80"));
        QVERIFY(after.startsWith("\r\xEF\xBB\xBF[Modello TT2112 = x\n"));
    }

    void missingAndUnreadable()
    {
        QCOMPARE(IniFile::read(m_path, m_section, m_code).status, IniFile::ReadStatus::Missing);
        QVERIFY(writeAll(m_path, "[Altro]\r\nChiave=1\r\n"));
        const IniFile::ReadResult missingKey = IniFile::read(m_path, m_section, m_code);
        QCOMPARE(missingKey.status, IniFile::ReadStatus::Missing);
        QVERIFY(missingKey.value.isEmpty());

        // A folder where the file should be.
        QFile::remove(m_path);
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Autoscuola.ini")));
        QCOMPARE(IniFile::read(m_path, m_section, m_code).status, IniFile::ReadStatus::Unreadable);
        QVERIFY(!IniFile::writeValue(m_path, m_section, m_code, QStringLiteral("X")));
        QVERIFY(QFileInfo(m_path).isDir());
        QDir(m_path).removeRecursively();
    }

    void failedWriteLeavesTheFileWhole()
    {
#ifdef Q_OS_WIN
        QSKIP("POSIX permissions: Windows folders have access lists instead");
#else
        const QByteArray before = "[Modello TT2112]\r\nCodice Autoscuola=A1\r\n";
        QVERIFY(writeAll(m_path, before));
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0555);
        ::chmod(QFile::encodeName(m_path).constData(), 0666);
        const int result = runInChild(dropRights, [&] {
            return IniFile::writeValue(m_path, m_section, m_code, QStringLiteral("B2")) ? 1 : 0;
        });
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
        QCOMPARE(result, 0);
        QCOMPARE(readAll(m_path), before);
#endif
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
