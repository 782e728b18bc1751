#pragma once

#include "app/MessageBox.h"
#include "db/DbError.h"
#include "db/SqlQuote.h"

#include <initializer_list>

// A text property of a record and the clerk's name for it ("The supplier name").
struct RecordText {
    const QString &value;
    QString field;
};

// Refuses a record's texts before its Update builds any statement from them: throws
// DbError naming the first field that holds a character no statement can carry.
inline void requireStorableTexts(std::initializer_list<RecordText> texts)
{
    for (const RecordText &text : texts)
        requireStorableText(text.value, text.field);
}

// The same for a record whose Update shows nothing itself: the record error its caller
// gets names no field, so the clerk reads which field is at fault first.
inline void refuseUnstorableTexts(std::initializer_list<RecordText> texts)
{
    try {
        requireStorableTexts(texts);
    } catch (const DbError &error) {
        MsgBox(error.description(), vbOKOnly);
        throw;
    }
}
