#include "storage/Layouts.h"

#include "storage/TextField.h"

#define VOLANTIX_FIELD_DEF_TEXT(name, length) FieldDef{#name, length, FieldKind::Text, 0},
#define VOLANTIX_FIELD_DEF_YESNO(name) FieldDef{#name, 2, FieldKind::YesNo, 0},

namespace {

constexpr auto kTT2112Fields = placeFields(std::array{
    VOLANTIX_TT2112_FIELDS(VOLANTIX_FIELD_DEF_TEXT, VOLANTIX_FIELD_DEF_YESNO)});
constexpr auto kStudentFields = placeFields(std::array{
    VOLANTIX_STUDENT_FIELDS(VOLANTIX_FIELD_DEF_TEXT, VOLANTIX_FIELD_DEF_YESNO)});
constexpr auto kLessonFields = placeFields(std::array{
    VOLANTIX_LESSON_FIELDS(VOLANTIX_FIELD_DEF_TEXT, VOLANTIX_FIELD_DEF_YESNO)});

static_assert(kTT2112Fields.size() == TT2112Record::FieldCount && kTT2112Fields.size() == 42);
static_assert(kStudentFields.size() == StudentRecord::FieldCount && kStudentFields.size() == 49);
static_assert(kLessonFields.size() == LessonRecord::FieldCount && kLessonFields.size() == 8);
static_assert(lengthsAreValid(kTT2112Fields) && lengthsAreValid(kStudentFields) && lengthsAreValid(kLessonFields));

static_assert(recordSizeOf(kTT2112Fields) == TT2112Record::Size);
static_assert(recordSizeOf(kStudentFields) == StudentRecord::Size);
static_assert(recordSizeOf(kLessonFields) == LessonRecord::Size);

// Landmarks of the stored formats that other programs read too.
static_assert(kTT2112Fields[TT2112Record::txtNote].offset == 1154);
static_assert(kTT2112Fields[TT2112Record::chkTariffa01].offset == 1405);
static_assert(kTT2112Fields[TT2112Record::lblDesc03].offset == 2675);
static_assert(kStudentFields[StudentRecord::txtCognome].offset == 248);
static_assert(kStudentFields[StudentRecord::chkRicontatta].offset == 1668);
static_assert(kStudentFields[StudentRecord::lblDesc03].offset == 2926);
static_assert(kLessonFields[LessonRecord::txtModulo].offset == 103);

constexpr RecordLayout kTT2112Layout{"tt2112", kTT2112Fields, recordSizeOf(kTT2112Fields)};
constexpr RecordLayout kStudentLayout{"student", kStudentFields, recordSizeOf(kStudentFields)};
constexpr RecordLayout kLessonLayout{"lesson", kLessonFields, recordSizeOf(kLessonFields)};

} // namespace

const RecordLayout &TT2112Record::layout()
{
    return kTT2112Layout;
}

const RecordLayout &StudentRecord::layout()
{
    return kStudentLayout;
}

const RecordLayout &LessonRecord::layout()
{
    return kLessonLayout;
}

QString LessonRecord::fileName(QStringView studentPosition)
{
    return QStringLiteral("Lezioni_Guida_Allievo_") + TextField::trimmed(studentPosition) + QStringLiteral(".lez");
}
