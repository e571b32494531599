// Two copies of the program appending to one archive at the same time.
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <QRegularExpression>

#include <random>
#include <set>

namespace {

constexpr int kPerWriter = 500;

RecordBuffer taggedRecord(int writer, int sequence)
{
    RecordBuffer record(StudentRecord::layout());
    record.setText(StudentRecord::txtCognome, QStringLiteral("Writer%1").arg(writer));
    record.setText(StudentRecord::txtNome, QString::number(sequence));
    // Fill the whole record so that a torn write would show.
    record.setText(StudentRecord::txtNote, QString(250, QChar(u'a' + writer)));
    record.setText(StudentRecord::lblDesc03, QString(250, QChar(u'A' + sequence % 26)));
    record.setYesNo(StudentRecord::chkRicontatta, sequence % 2 == 0);
    return record;
}

// One action per record, as the program does it: open, append, close.
int runWriter(const QString &path, int writer)
{
    for (int i = 0; i < kPerWriter; ++i) {
        try {
            RecordFile file;
            file.OpenOrCreate(path, StudentRecord::Size);
            file.AppendRecord(taggedRecord(writer, i));
            file.CloseRecordFile();
        } catch (const std::exception &) {
            return 1;
        }
    }
    return 0;
}

// A record of `layout` that says who wrote it: the first field holds the tag, and
// every other field is filled from it, so a torn record cannot pass for a whole one.
RecordBuffer stampedRecord(const RecordLayout &layout, int writer, int sequence)
{
    RecordBuffer record(layout);
    const QString tag = QStringLiteral("W%1S%2").arg(writer).arg(sequence);
    record.setText(0, tag);
    for (int field = 1; field < layout.fieldCount(); ++field) {
        if (layout.field(field).kind == FieldKind::YesNo) {
            record.setYesNo(field, (sequence + field) % 2 == 0);
        } else {
            const int length = 1 + (sequence * 7 + field) % layout.field(field).maxLength;
            record.setText(field, QString(length, QChar(u'a' + (writer * 5 + field) % 26)));
        }
    }
    return record;
}

const RecordLayout *const kKinds[] = {&StudentRecord::layout(), &TT2112Record::layout(), &LessonRecord::layout()};
const char *const kFiles[] = {"Allievi.pro", "Modelli_TT2112.pro", "Lezioni_Guida_Allievo_1.lez"};
constexpr int kMixedOperations = 2000;

// Operation i works on archive kind i % 3; on each kind every third operation
// appends and the others overwrite a record chosen at random among those there.
int runMixedWriter(const QString &folder, int writer)
{
    std::mt19937 random(static_cast<unsigned>(1000 + writer));
    for (int i = 0; i < kMixedOperations; ++i) {
        const int kind = i % 3;
        const int onKind = i / 3;
        const RecordLayout &layout = *kKinds[kind];
        try {
            RecordFile file;
            file.OpenOrCreate(folder + QLatin1Char('/') + QLatin1String(kFiles[kind]), layout.recordSize);
            const RecordBuffer record = stampedRecord(layout, writer, i);
            if (onKind % 3 == 0) {
                file.AppendRecord(record);
            } else {
                const qint64 count = file.RecordCount();
                file.SeekRecord(static_cast<qint64>(random() % static_cast<unsigned>(count)));
                file.WriteRecord(record);
            }
            file.CloseRecordFile();
        } catch (const std::exception &) {
            return 1;
        }
    }
    return 0;
}

} // namespace

class TestConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void twoProcessesAppendAtOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Allievi.pro"));
        QProcess writers[2];
        for (int w = 0; w < 2; ++w) {
            writers[w].setProgram(QCoreApplication::applicationFilePath());
            writers[w].setArguments({QStringLiteral("--writer"), path, QString::number(w)});
        }
        writers[0].start();
        writers[1].start();
        for (QProcess &writer : writers) {
            QVERIFY(writer.waitForFinished(240000));
            QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
            QCOMPARE(writer.exitCode(), 0);
        }

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), qsizetype(2 * kPerWriter) * StudentRecord::Size);

        std::set<std::pair<int, int>> seen;
        RecordBuffer record(StudentRecord::layout());
        for (qsizetype i = 0; i < 2 * kPerWriter; ++i) {
            const QByteArrayView stored = QByteArrayView(bytes).sliced(i * StudentRecord::Size, StudentRecord::Size);
            record.setBytes(stored);
            const int writer = record.text(StudentRecord::txtCognome).mid(6).toInt();
            const int sequence = record.text(StudentRecord::txtNome).toInt();
            // Each record is exactly one that a writer wrote: none is torn.
            QCOMPARE(stored, QByteArrayView(taggedRecord(writer, sequence).bytes()));
            QVERIFY(seen.insert({writer, sequence}).second);
        }
        QCOMPARE(seen.size(), std::size_t(2 * kPerWriter));
    }

    void twoProcessesAppendAndOverwriteEveryKind()
    {
        QTemporaryDir dir;
        QProcess writers[2];
        for (int w = 0; w < 2; ++w) {
            writers[w].setProgram(QCoreApplication::applicationFilePath());
            writers[w].setArguments({QStringLiteral("--mixed"), dir.path(), QString::number(w)});
        }
        writers[0].start();
        writers[1].start();
        for (QProcess &writer : writers) {
            QVERIFY(writer.waitForFinished(240000));
            QCOMPARE(writer.exitCode(), 0);
        }
        for (int kind = 0; kind < 3; ++kind) {
            const RecordLayout &layout = *kKinds[kind];
            QFile file(dir.filePath(QLatin1String(kFiles[kind])));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QCOMPARE(bytes.size() % layout.recordSize, 0); // whole records only
            // Each writer appended on every third of its operations on this kind.
            int appends = 0;
            for (int i = kind; i < kMixedOperations; i += 3)
                appends += (i / 3) % 3 == 0 ? 1 : 0;
            QCOMPARE(bytes.size() / layout.recordSize, 2 * appends); // no append lost
            RecordBuffer record(layout);
            static const QRegularExpression tag(QStringLiteral("^W(\\d)S(\\d+)$"));
            for (qsizetype at = 0; at < bytes.size(); at += layout.recordSize) {
                const QByteArrayView stored = QByteArrayView(bytes).sliced(at, layout.recordSize);
                record.setBytes(stored);
                const QRegularExpressionMatch m = tag.match(record.text(0));
                QVERIFY2(m.hasMatch(), qPrintable(record.text(0)));
                // Exactly a record that one of the writers wrote: none is torn.
                QCOMPARE(stored, QByteArrayView(stampedRecord(layout, m.captured(1).toInt(), m.captured(2).toInt()).bytes()));
            }
        }
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--writer") == 0)
        return runWriter(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    if (argc == 4 && qstrcmp(argv[1], "--mixed") == 0)
        return runMixedWriter(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    TestConcurrency test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_concurrency.moc"
