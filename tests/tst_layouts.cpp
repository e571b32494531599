#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

QByteArray readFixture(const QString &name)
{
    QFile file(QStringLiteral(VOLANTIX_FIXTURES "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

const RecordLayout &layoutOf(const QString &kind)
{
    if (kind == QLatin1String("tt2112"))
        return TT2112Record::layout();
    if (kind == QLatin1String("student"))
        return StudentRecord::layout();
    return LessonRecord::layout();
}

} // namespace

class TestLayouts : public QObject
{
    Q_OBJECT

private slots:
    void sizes()
    {
        QCOMPARE(TT2112Record::layout().recordSize, 2926);
        QCOMPARE(StudentRecord::layout().recordSize, 3177);
        QCOMPARE(LessonRecord::layout().recordSize, 134);
    }

    void goldenRecords_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("tt2112") << QStringLiteral("tt2112");
        QTest::newRow("student") << QStringLiteral("student");
        QTest::newRow("lesson") << QStringLiteral("lesson");
    }

    // A record built from known values equals the bytes written independently from
    // the published offsets.
    void goldenRecords()
    {
        QFETCH(QString, kind);
        const RecordLayout &layout = layoutOf(kind);
        const QJsonObject values = QJsonDocument::fromJson(readFixture(kind + QStringLiteral("_values.json"))).object();
        QVERIFY(!values.isEmpty());
        RecordBuffer record(layout);
        for (int i = 0; i < layout.fieldCount(); ++i) {
            const QString name = QString::fromLatin1(layout.field(i).name.data(), static_cast<qsizetype>(layout.field(i).name.size()));
            const QString value = values.value(name).toString();
            if (layout.field(i).kind == FieldKind::YesNo && !value.isEmpty())
                record.setYesNo(i, value == QStringLiteral("S\u00EC"));
            else
                record.setText(i, value);
        }
        const QByteArray golden = readFixture(kind + QStringLiteral("_record.bin"));
        QCOMPARE(golden.size(), layout.recordSize);
        for (int i = 0; i < record.size(); ++i) {
            if (record.bytes()[i] != golden[i])
                QFAIL(qPrintable(QStringLiteral("first difference at byte %1").arg(i)));
        }
    }

    void goldenRecordsLoadBack()
    {
        RecordBuffer student(StudentRecord::layout());
        student.setBytes(readFixture(QStringLiteral("student_record.bin")));
        QCOMPARE(student.text(StudentRecord::txtCognome), QStringLiteral("Rossi"));
        QCOMPARE(student.text(StudentRecord::txtComuneResPro), QStringLiteral("Forl\u00EC"));
        QCOMPARE(student.text(StudentRecord::txtEsitoTeo), QStringLiteral("Idonea ? al primo tentativo"));
        QCOMPARE(student.text(StudentRecord::lblDesc03), QString(250, QLatin1Char('d')));
        QCOMPARE(student.yesNo(StudentRecord::chkRicontatta), std::optional<bool>(false));

        RecordBuffer form(TT2112Record::layout());
        form.setBytes(readFixture(QStringLiteral("tt2112_record.bin")));
        QCOMPARE(form.text(TT2112Record::txtNote), QString(250, QLatin1Char('N')));
        QCOMPARE(form.yesNo(TT2112Record::chkTariffa01), std::optional<bool>(true));
        QCOMPARE(form.text(TT2112Record::txtPreGuida), QStringLiteral("Lenti correttive \u2014 obbligo di occhiali \u20AC 0"));
    }

    void yesNoOtherValues()
    {
        RecordBuffer record(TT2112Record::layout());
        // Zero bytes: neither value.
        QCOMPARE(record.yesNo(TT2112Record::chkDuplicato), std::nullopt);
        record.setText(TT2112Record::chkDuplicato, QStringLiteral("si"));
        QCOMPARE(record.yesNo(TT2112Record::chkDuplicato), std::nullopt);
        record.setYesNo(TT2112Record::chkDuplicato, true);
        QCOMPARE(record.yesNo(TT2112Record::chkDuplicato), std::optional<bool>(true));
    }

    void storingKeepsTheRestOfTheBuffer()
    {
        RecordBuffer record(StudentRecord::layout());
        record.setText(StudentRecord::txtCognome, QStringLiteral("Abbondanzieri"));
        record.setText(StudentRecord::txtCognome, QStringLiteral("Neri"));
        const auto field = record.fieldBytes(StudentRecord::txtCognome);
        QCOMPARE(QByteArray(field.data(), 14), QByteArray("\x04" "Nerindanzieri"));
        QCOMPARE(record.text(StudentRecord::txtCognome), QStringLiteral("Neri"));
    }

    void fieldLookup()
    {
        QCOMPARE(StudentRecord::layout().indexOf("chkRicontatta"), int(StudentRecord::chkRicontatta));
        QCOMPARE(StudentRecord::layout().indexOf("nonesiste"), -1);
        QCOMPARE(TT2112Record::layout().field(TT2112Record::lblDesc03).offset, 2675);
    }

    void lessonFileName()
    {
        QCOMPARE(LessonRecord::fileName(u"7"), QStringLiteral("Lezioni_Guida_Allievo_7.lez"));
        QCOMPARE(LessonRecord::fileName(u" 12 "), QStringLiteral("Lezioni_Guida_Allievo_12.lez"));
    }
};

QTEST_GUILESS_MAIN(TestLayouts)
#include "tst_layouts.moc"
