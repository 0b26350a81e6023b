// A module's resource section, as a resource compiler lays it down: one plain entry per resource, placed by
// the linker in the section "tarn_rsrc" of the module (or program) the entry is linked into. The host finds a
// module's entries through its handle (FindResourceW, LoadResource, SizeofResource, LockResource, and the
// dialog templates of the dialogs the module creates), so declaring resources needs no platform code and no
// export beyond the module's entry points.
//
//   static const unsigned char kIconPng[] = {...};
//   TARN_RESOURCE(u"PNG", 8315, kIconPng, sizeof kIconPng);
//   static const DialogTemplate kDlgHint = {...};          // from the GUI framework's dialog header
//   TARN_RESOURCE(TARN_RT_DIALOG, 8353, &kDlgHint, sizeof kDlgHint);
//
// Entries are found only in objects that the link keeps: a library of resource files is linked whole (a CMake
// OBJECT library), never picked from an archive.
#pragma once

struct TarnResourceEntry {
    const char16_t* type;  // resource type: a name such as u"PNG", or one of the TARN_RT_ names below
    unsigned long id;
    const void* data;
    unsigned long size;
};

#define TARN_RT_DIALOG u"#5"   // data: a DialogTemplate
#define TARN_RT_BITMAP u"#2"   // data: the bytes of a BMP file
#define TARN_RT_STRING u"#6"   // data: a NUL-terminated char16_t string, one entry per string id

#define TARN_RESOURCE_CAT2(a, b) a##b
#define TARN_RESOURCE_CAT(a, b) TARN_RESOURCE_CAT2(a, b)
#define TARN_RESOURCE(type, id, data, size)                                                             \
    [[gnu::used, gnu::section("tarn_rsrc")]] static const TarnResourceEntry TARN_RESOURCE_CAT(          \
        tarnResource_, __COUNTER__) = {type, static_cast<unsigned long>(id), data,                     \
                                       static_cast<unsigned long>(size)}
