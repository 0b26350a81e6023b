// Raster image definitions: one picture (a PNG file, or an RGBA image handed over in memory) that any number
// of raster images show. Definitions live in the drawing's image dictionary ("ACAD_IMAGE_DICT" in the
// named-object dictionary), which does not exist until it is made.
#pragma once

#include <memory>
#include <string>

#include "platform/arx/acdb/dbobject.h"
#include "platform/arx/acge/gevec2d.h"
#include "platform/imaging/rgbaimage.h"

class AcDbDatabase;

class AcDbRasterImageDef : public AcDbObject {
    TARN_DB_DECLARE_MEMBERS(AcDbRasterImageDef)
public:
    AcDbRasterImageDef() = default;

    // The picture's file; a new file unloads what was loaded.
    Acad::ErrorStatus setSourceFileName(const ACHAR* path);
    const ACHAR* sourceFileName() const { return m_sourceFile.c_str(); }
    const ACHAR* activeFileName() const { return m_sourceFile.c_str(); }

    // Reads the picture: the whole file is decoded. eFileNotFound for a missing file, eInvalidInput for no
    // file name, an empty, truncated or corrupt file or a picture too large to hold. A definition that holds
    // an image given by setImage is loaded already (eOk). Needs a write-open.
    Acad::ErrorStatus load();
    // Drops the picture (the size is kept); an image given by setImage is dropped too.
    Acad::ErrorStatus unload(bool modifyDatabase = true);
    bool isLoaded() const { return m_loaded; }

    // Takes a copy of an RGBA image of the imaging library as the picture (the caller keeps and deletes its
    // own). fileDescriptor is not used. eInvalidInput for null or invalid images.
    Acad::ErrorStatus setImage(const Atil::RgbaImage* image, void* fileDescriptor,
                               bool modifyDatabase = true);

    // Width and height in pixels (0 while nothing was ever loaded).
    AcGeVector2d size() const { return AcGeVector2d(m_width, m_height); }
    // How many live images show this definition (through their reactors).
    int entityCount() const;

    // The image dictionary of db (its "ACAD_IMAGE_DICT" entry), or the null id when it has none.
    static AcDbObjectId imageDictionary(AcDbDatabase* db);
    // Makes the image dictionary; eAlreadyInDb (with its id) when there is one.
    static Acad::ErrorStatus createImageDictionary(AcDbDatabase* db, AcDbObjectId& dictionaryId);

    // Stand-in: the image handed over by setImage (null for file pictures, whose pixels are not kept).
    const Atil::RgbaImage* tarnImage() const { return m_image.get(); }
    // Readers of drawing files: the size and loaded flag as the file gives them.
    void tarnSetFileState(int width, int height, bool loaded);

private:
    std::u16string m_sourceFile;
    int m_width = 0;
    int m_height = 0;
    bool m_loaded = false;
    // Shared between undo copies: the pixels are never changed in place, only replaced.
    std::shared_ptr<const Atil::RgbaImage> m_image;
};

namespace platform {

// The key of the image dictionary in the named-object dictionary.
constexpr const ACHAR* kImageDictionaryKey = u"ACAD_IMAGE_DICT";

}  // namespace platform
