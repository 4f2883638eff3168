// Bitmap loaded from a PNG file in the resources folder.
#pragma once

#include <cairo.h>

#include <string>

#include "cbaseobject.h"
#include "cgeometry.h"

namespace VSTGUI {

class CDrawContext;

class CBitmap : public CBaseObject {
public:
    // Loads <resource folder>/<fileName>. A file that cannot be loaded gives an empty
    // bitmap (width and height 0) and one diagnostic line on standard output.
    explicit CBitmap(const char* fileName);
    // Wraps an existing image surface (adds its own reference to it).
    explicit CBitmap(cairo_surface_t* imageSurface);
    ~CBitmap() override;

    CCoord getWidth() const { return width; }
    CCoord getHeight() const { return height; }
    bool isLoaded() const { return surface != nullptr; }
    cairo_surface_t* getSurface() const { return surface; }

    // Draws the part of the bitmap starting at offset into the destination rectangle.
    void draw(CDrawContext* context, const CRect& dest, const CPoint& offset = CPoint(0, 0), float alpha = 1.0f);

    // Folder the file names are resolved against; set once by the plug-in at run time.
    // When never set, it is the "Resources" folder beside the folder of the module that
    // contains the toolkit (the bundle layout Contents/<arch>/X.so, Contents/Resources).
    static void setResourceFolder(const char* folder);
    static std::string getResourceFolder();

private:
    cairo_surface_t* surface = nullptr;
    CCoord width = 0, height = 0;
};

}  // namespace VSTGUI
