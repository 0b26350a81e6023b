// Status codes of the drawing database. Callers compare a few of them by value (eOk, eInvalidInput,
// eKeyNotFound, eWasErased) and print the rest with %d, so every status has its own fixed number. The list is
// one table so the enumeration and the printable names cannot drift apart.
#pragma once

#define TARN_ACAD_STATUSES(X)           \
    X(eOk, 0)                           \
    X(eNotImplementedYet, 1)            \
    X(eNotApplicable, 2)                \
    X(eInvalidInput, 3)                 \
    X(eAmbiguousInput, 4)               \
    X(eAmbiguousOutput, 5)              \
    X(eOutOfMemory, 6)                  \
    X(eBufferTooSmall, 7)               \
    X(eInvalidOpenState, 8)             \
    X(eEntityInInactiveLayout, 9)       \
    X(eHandleExists, 10)                \
    X(eNullHandle, 11)                  \
    X(eBrokenHandle, 12)                \
    X(eUnknownHandle, 13)               \
    X(eHandleInUse, 14)                 \
    X(eNullObjectPointer, 15)           \
    X(eNullObjectId, 16)                \
    X(eNullBlockName, 17)               \
    X(eContainerNotEmpty, 18)           \
    X(eNullEntityPointer, 20)           \
    X(eIllegalEntityType, 21)           \
    X(eKeyNotFound, 22)                 \
    X(eDuplicateKey, 23)                \
    X(eInvalidIndex, 24)                \
    X(eDuplicateIndex, 25)              \
    X(eAlreadyInDb, 26)                 \
    X(eOutOfDisk, 27)                   \
    X(eDeletedEntry, 28)                \
    X(eNegativeValueNotAllowed, 29)     \
    X(eInvalidExtents, 30)              \
    X(eInvalidAdsName, 31)              \
    X(eInvalidSymbolTableName, 32)      \
    X(eInvalidKey, 33)                  \
    X(eWrongObjectType, 34)             \
    X(eWrongDatabase, 35)               \
    X(eObjectToBeDeleted, 36)           \
    X(eInvalidDwgVersion, 37)           \
    X(eAnonymousEntry, 38)              \
    X(eIllegalReplacement, 39)          \
    X(eEndOfObject, 40)                 \
    X(eEndOfFile, 41)                   \
    X(eIsReading, 42)                   \
    X(eIsWriting, 43)                   \
    X(eNotOpenForRead, 44)              \
    X(eNotOpenForWrite, 45)             \
    X(eNotThatKindOfClass, 46)          \
    X(eInvalidBlockName, 47)            \
    X(eMissingDxfField, 48)             \
    X(eDuplicateDxfField, 49)           \
    X(eInvalidDxfCode, 50)              \
    X(eInvalidResBuf, 51)               \
    X(eBadDxfSequence, 52)              \
    X(eFilerError, 53)                  \
    X(eVertexAfterFace, 54)             \
    X(eInvalidFaceVertexIndex, 55)      \
    X(eInvalidMeshVertexIndex, 56)      \
    X(eOtherObjectsBusy, 57)            \
    X(eMustFirstAddBlockToDb, 58)       \
    X(eCannotNestBlockDefs, 59)         \
    X(eDwgRecoveredOK, 60)              \
    X(eDwgNotRecoverable, 61)           \
    X(eDxfPartiallyRead, 62)            \
    X(eDxfReadAborted, 63)              \
    X(eDxbPartiallyRead, 64)            \
    X(eDwgCRCDoesNotMatch, 65)          \
    X(eDwgSentinelDoesNotMatch, 66)     \
    X(eDwgObjectImproperlyRead, 67)     \
    X(eNoInputFiler, 68)                \
    X(eDwgNeedsAFullSave, 69)           \
    X(eDxbReadAborted, 70)              \
    X(eFileLockedByACAD, 71)            \
    X(eFileAccessErr, 72)               \
    X(eFileSystemErr, 73)               \
    X(eFileInternalErr, 74)             \
    X(eFileTooManyOpen, 75)             \
    X(eFileNotFound, 76)                \
    X(eDwkLockFileFound, 77)            \
    X(eWasErased, 80)                   \
    X(ePermanentlyErased, 81)           \
    X(eWasOpenedForRead, 82)            \
    X(eWasOpenedForWrite, 83)           \
    X(eWasOpenedForUndo, 84)            \
    X(eWasNotifying, 85)                \
    X(eWasOpenedForNotify, 86)          \
    X(eOnLockedLayer, 87)               \
    X(eMustOpenThruOwner, 88)           \
    X(eSubentitiesStillOpen, 89)        \
    X(eAtMaxReaders, 90)                \
    X(eIsWriteProtected, 91)            \
    X(eIsXRefObject, 92)                \
    X(eNotAnEntity, 93)                 \
    X(eHadMultipleReaders, 94)          \
    X(eDuplicateRecordName, 95)         \
    X(eXRefDependent, 96)               \
    X(eSelfReference, 97)               \
    X(eMissingSymbolTable, 98)          \
    X(eMissingSymbolTableRec, 99)       \
    X(eWasNotOpenForWrite, 100)         \
    X(eCloseWasNotifying, 101)          \
    X(eCloseModifyAborted, 102)         \
    X(eClosePartialFailure, 103)        \
    X(eCloseFailObjectDamaged, 104)     \
    X(eCannotBeErasedByCaller, 105)     \
    X(eCannotBeResurrected, 106)        \
    X(eWasNotErased, 107)               \
    X(eInsertAfter, 108)                \
    X(eFixedAllErrors, 109)             \
    X(eLeftErrorsUnfixed, 110)          \
    X(eUnrecoverableErrors, 111)        \
    X(eNoDatabase, 112)                 \
    X(eXdataSizeExceeded, 113)          \
    X(eRegappIdNotFound, 114)           \
    X(eRepeatEntity, 115)               \
    X(eRecordNotInTable, 116)           \
    X(eIteratorDone, 117)               \
    X(eNullIterator, 118)               \
    X(eNotInBlock, 119)                 \
    X(eOwnerNotInDatabase, 120)         \
    X(eOwnerNotOpenForRead, 121)        \
    X(eOwnerNotOpenForWrite, 122)       \
    X(eExplodeBeforeTransform, 123)     \
    X(eCannotScaleNonUniformly, 124)    \
    X(eNotInDatabase, 125)              \
    X(eNotCurrentDatabase, 126)         \
    X(eIsAnEntity, 127)                 \
    X(eCannotChangeActiveViewport, 128) \
    X(eNotInPaperspace, 129)            \
    X(eCommandWasInProgress, 130)       \
    X(eGeneralModelingFailure, 131)     \
    X(eOutOfRange, 132)                 \
    X(eNonCoplanarGeometry, 133)        \
    X(eDegenerateGeometry, 134)         \
    X(eInvalidAxis, 135)                \
    X(ePointNotOnEntity, 136)           \
    X(eSingularPoint, 137)              \
    X(eInvalidOffset, 138)              \
    X(eNonPlanarEntity, 139)            \
    X(eCannotExplodeEntity, 140)        \
    X(eStringTooLong, 141)              \
    X(eInvalidSymTableFlag, 142)        \
    X(eUndefinedLineType, 143)          \
    X(eInvalidTextStyle, 144)           \
    X(eTooFewLineTypeElements, 145)     \
    X(eTooManyLineTypeElements, 146)    \
    X(eExcessiveItemCount, 147)         \
    X(eIgnoredLinetypeRedef, 148)       \
    X(eBadUCS, 149)                     \
    X(eBadPaperspaceView, 150)          \
    X(eSomeInputDataLeftUnread, 151)    \
    X(eNoInternalSpace, 152)            \
    X(eInvalidDimStyle, 153)            \
    X(eInvalidLayer, 154)               \
    X(eLockViolation, 156)              \
    X(eLockChangeInProgress, 157)       \
    X(eNotOpen, 158)                    \
    X(eNoDocument, 159)                 \
    X(eInvalidContext, 160)

namespace Acad {

enum ErrorStatus {
#define TARN_ACAD_STATUS_ENUM(name, value) name = value,
    TARN_ACAD_STATUSES(TARN_ACAD_STATUS_ENUM)
#undef TARN_ACAD_STATUS_ENUM
};

}  // namespace Acad

// The status's own name ("eKeyNotFound"), or "eUnknownStatus" for a number that is not a status.
const char* acadErrorStatusName(Acad::ErrorStatus es);
// The same name as wide text, as the host offers it for messages.
const char16_t* acadErrorStatusText(Acad::ErrorStatus es);
