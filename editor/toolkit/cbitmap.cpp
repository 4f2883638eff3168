#include "cbitmap.h"

#include <dlfcn.h>

#include <cstdio>

#include "cdrawcontext.h"

namespace VSTGUI {

namespace {
std::string& resourceFolder() {
    static std::string folder;
    return folder;
}

std::string moduleResourceFolder() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&moduleResourceFolder), &info) || !info.dli_fname) return ".";
    std::string path = info.dli_fname;
    auto slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    return dir + "/../Resources";
}
}  // namespace

void CBitmap::setResourceFolder(const char* folder) { resourceFolder() = folder ? folder : ""; }

std::string CBitmap::getResourceFolder() {
    if (resourceFolder().empty()) resourceFolder() = moduleResourceFolder();
    return resourceFolder();
}

CBitmap::CBitmap(const char* fileName) {
    std::string path = getResourceFolder() + "/" + (fileName ? fileName : "");
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        std::printf("Could not load bitmap:%s\n", path.c_str());
        std::fflush(stdout);
        return;
    }
    surface = s;
    width = cairo_image_surface_get_width(s);
    height = cairo_image_surface_get_height(s);
}

CBitmap::CBitmap(cairo_surface_t* imageSurface) {
    if (!imageSurface || cairo_surface_status(imageSurface) != CAIRO_STATUS_SUCCESS) return;
    surface = cairo_surface_reference(imageSurface);
    width = cairo_image_surface_get_width(imageSurface);
    height = cairo_image_surface_get_height(imageSurface);
}

CBitmap::~CBitmap() {
    if (surface) cairo_surface_destroy(surface);
}

void CBitmap::draw(CDrawContext* context, const CRect& dest, const CPoint& offset, float alpha) {
    if (!surface || dest.isEmpty()) return;
    cairo_t* cr = context->getCairo();
    cairo_save(cr);
    cairo_rectangle(cr, dest.left, dest.top, dest.getWidth(), dest.getHeight());
    cairo_clip(cr);
    cairo_set_source_surface(cr, surface, dest.left - offset.h, dest.top - offset.v);
    if (alpha >= 1.0f)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
}

}  // namespace VSTGUI
