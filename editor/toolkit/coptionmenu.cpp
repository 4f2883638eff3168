#include "coptionmenu.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "cdrawcontext.h"
#include "cframe.h"

namespace VSTGUI {

CMenuItem::CMenuItem(const char* t, int32_t flags) : title(t ? t : ""), flags(flags) {
    if (title == "-") this->flags |= kSeparator;
}

COptionMenu::COptionMenu(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background, CBitmap*,
                         int32_t style)
    : CControl(size, listener, tag, background), style(style) {
    vmin = 0;
    vmax = 0;
}

COptionMenu::COptionMenu(const COptionMenu& other)
    : CControl(other), currentIndex(other.currentIndex), style(other.style) {
    for (const auto& item : other.items) items.push_back(std::make_unique<CMenuItem>(*item));
}

COptionMenu::~COptionMenu() {
    if (popupOpen && getFrame()) getFrame()->closePopup(this);
}

CMenuItem* COptionMenu::addEntry(const char* title, int32_t index, int32_t itemFlags) {
    auto item = std::make_unique<CMenuItem>(title, itemFlags);
    CMenuItem* result = item.get();
    if (index < 0 || index >= getNbEntries())
        items.push_back(std::move(item));
    else
        items.insert(items.begin() + index, std::move(item));
    vmax = static_cast<float>(getNbEntries() - 1);
    return result;
}

CMenuItem* COptionMenu::addSeparator(int32_t index) { return addEntry("-", index, CMenuItem::kSeparator); }

bool COptionMenu::removeEntry(int32_t index) {
    if (index < 0 || index >= getNbEntries()) return false;
    items.erase(items.begin() + index);
    vmax = static_cast<float>(std::max(0, getNbEntries() - 1));
    if (currentIndex >= getNbEntries()) currentIndex = getNbEntries() - 1;
    return true;
}

bool COptionMenu::removeAllEntry() {
    items.clear();
    currentIndex = -1;
    vmax = 0;
    value = 0;
    return true;
}

CMenuItem* COptionMenu::getEntry(int32_t index) const {
    if (index < 0 || index >= getNbEntries()) return nullptr;
    return items[static_cast<size_t>(index)].get();
}

bool COptionMenu::setCurrent(int32_t index) {
    if (index < 0 || index >= getNbEntries()) return false;
    currentIndex = index;
    value = static_cast<float>(index);
    setDirty(true);
    return true;
}

void COptionMenu::setValue(float val) {
    if (!setCurrent(static_cast<int32_t>(val))) value = val;
}

bool COptionMenu::checkEntry(int32_t index, bool state) {
    CMenuItem* item = getEntry(index);
    if (!item || item->isSeparator()) return false;
    item->setChecked(state);
    return true;
}

bool COptionMenu::checkEntryAlone(int32_t index) {
    for (int32_t i = 0; i < getNbEntries(); ++i) items[static_cast<size_t>(i)]->setChecked(i == index);
    return true;
}

bool COptionMenu::isCheckEntry(int32_t index) const {
    CMenuItem* item = getEntry(index);
    return item && item->isChecked();
}

// ---------------------------------------------------------------- pop-up

COptionMenu::PopupLayout COptionMenu::computeLayout() const {
    // Measure the texts with the font the pop-up draws them in.
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    CDrawContext(cr).setFont(12.0);
    double width = std::max(kMinWidth, size.getWidth());
    for (const auto& item : shown()) {
        cairo_text_extents_t ext;
        cairo_text_extents(cr, item->getTitle(), &ext);
        width = std::max(width, std::ceil(ext.x_advance) + 44);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);

    PopupLayout result;
    const double margin = 3;
    const double limit = maxPopupHeight > 0 ? std::max(maxPopupHeight, margin * 2 + kItemHeight) : 1e12;
    double x = 0, y = margin, bottom = margin;
    for (const auto& item : shown()) {
        double h = item->isSeparator() ? kSeparatorHeight : kItemHeight;
        if (y + h + margin > limit && y > margin) {  // next column
            x += width;
            y = margin;
        }
        result.rows.emplace_back(x, y, x + width, y + h);
        y += h;
        bottom = std::max(bottom, y);
    }
    result.size = CRect(0, 0, x + width, bottom + margin);
    return result;
}

const COptionMenu::PopupLayout& COptionMenu::layout() const {
    if (!popupOpen) cachedLayout = computeLayout();
    return cachedLayout;
}

CRect COptionMenu::getPopupSize() const { return layout().size; }

int32_t COptionMenu::popupEntryAt(const CPoint& where) const {
    const PopupLayout& l = layout();
    const auto& entries = shown();
    for (int32_t i = 0; i < static_cast<int32_t>(entries.size()); ++i) {
        if (!l.rows[static_cast<size_t>(i)].pointInside(where)) continue;
        const CMenuItem& item = *entries[static_cast<size_t>(i)];
        return (item.isSeparator() || !item.isEnabled()) ? -1 : i;
    }
    return -1;
}

bool COptionMenu::popup() {
    if (popupOpen || !getFrame() || shown().empty()) return false;
    const int screen = getFrame()->getScreenHeight();
    if (screen > 0 && (maxPopupHeight <= 0 || maxPopupHeight > screen - 20)) maxPopupHeight = screen - 20;
    cachedLayout = computeLayout();
    popupOpen = true;
    hover = -1;
    getFrame()->openPopup(this);
    return true;
}

void COptionMenu::setHover(int32_t index) {
    if (hover == index) return;
    hover = index;
    if (getFrame()) getFrame()->popupChanged();
}

void COptionMenu::popupMouseMoved(const CPoint& where) {
    if (popupOpen) setHover(popupEntryAt(where));
}

// A press outside the menu closes it without a choice.
void COptionMenu::popupMouseDown(const CPoint& where) {
    if (!popupOpen) return;
    if (!getPopupSize().pointInside(where))
        popupCancel();
    else
        setHover(popupEntryAt(where));
}

void COptionMenu::popupMouseUp(const CPoint& where) {
    if (!popupOpen) return;
    int32_t index = popupEntryAt(where);
    if (index >= 0) popupChoose(index);
}

void COptionMenu::popupCancel() {
    openSubmenu = -1;
    subItems.clear();
    if (!popupOpen) return;
    popupOpen = false;
    hover = -1;
    if (getFrame()) getFrame()->closePopup(this);
}

// The pop-up is closed and opened again with the sub-menu's entries, sized for them.
void COptionMenu::openSubmenuOf(int32_t index) {
    if (popupOpen && getFrame()) getFrame()->closePopup(this);
    popupOpen = false;
    subItems.clear();
    for (const std::string& title : items[static_cast<size_t>(index)]->getSubEntries())
        subItems.push_back(std::make_unique<CMenuItem>(title.c_str()));
    openSubmenu = index;
    if (!popup()) popupCancel();
}

void COptionMenu::popupChoose(int32_t index) {
    const int32_t parent = openSubmenu;
    if (parent >= 0) {
        const bool valid = index >= 0 && index < static_cast<int32_t>(subItems.size()) &&
                           !subItems[static_cast<size_t>(index)]->isSeparator();
        popupCancel();
        if (!valid) return;
        lastSubmenuChoice = index;
        index = parent;
    } else {
        CMenuItem* item = getEntry(index);
        if (item && item->hasSubmenu() && item->isEnabled() && popupOpen) {
            openSubmenuOf(index);
            return;
        }
        popupCancel();
        lastSubmenuChoice = -1;
    }
    CMenuItem* item = getEntry(index);
    if (!item || item->isSeparator() || !item->isEnabled()) return;
    setCurrent(index);
    beginEdit();
    valueChanged();
    endEdit();
}

void COptionMenu::drawPopup(cairo_t* cr) const {
    const PopupLayout& l = layout();
    CDrawContext context(cr);
    context.fillRect(l.size, MakeCColor(38, 40, 44));
    cairo_set_source_rgb(cr, 0.45, 0.47, 0.5);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, l.size.getWidth() - 1, l.size.getHeight() - 1);
    cairo_stroke(cr);
    context.setFont(12.0);
    const auto& entries = shown();
    for (int32_t i = 0; i < static_cast<int32_t>(entries.size()); ++i) {
        const CMenuItem& item = *entries[static_cast<size_t>(i)];
        const CRect& row = l.rows[static_cast<size_t>(i)];
        if (item.isSeparator()) {
            cairo_set_source_rgb(cr, 0.33, 0.35, 0.38);
            cairo_move_to(cr, row.left + 6, row.top + kSeparatorHeight / 2 + 0.5);
            cairo_line_to(cr, row.right - 6, row.top + kSeparatorHeight / 2 + 0.5);
            cairo_stroke(cr);
            continue;
        }
        CRect inner(row.left + 1, row.top, row.right - 1, row.bottom);
        if (i == hover) context.fillRect(inner, MakeCColor(141, 192, 71));
        CColor text = i == hover ? MakeCColor(20, 24, 20)
                                 : (item.isEnabled() ? MakeCColor(225, 228, 220) : MakeCColor(120, 122, 118));
        if (item.isChecked()) {  // a tick in the left margin
            context.setSourceColor(text);
            cairo_set_line_width(cr, 2);
            cairo_move_to(cr, row.left + 7, row.top + 10);
            cairo_line_to(cr, row.left + 11, row.top + 14);
            cairo_line_to(cr, row.left + 17, row.top + 6);
            cairo_stroke(cr);
            cairo_set_line_width(cr, 1);
        }
        if (item.hasSubmenu()) {  // an arrow at the right edge
            context.setSourceColor(text);
            cairo_move_to(cr, row.right - 14, row.top + 6);
            cairo_line_to(cr, row.right - 8, row.top + 10);
            cairo_line_to(cr, row.right - 14, row.top + 14);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
        CRect textRect(inner);
        textRect.left = row.left + 24;
        context.drawString(item.getTitle(), textRect, kLeftText, text);
    }
}

// ---------------------------------------------------------------- the view itself

void COptionMenu::draw(CDrawContext* context) {
    if (background) CControl::draw(context);
    if (CMenuItem* item = getCurrent()) {
        context->setFont(12.0);
        context->drawString(item->getTitle(), size, kLeftText, MakeCColor(230, 230, 230));
    }
    setDirty(false);
}

CMouseEventResult COptionMenu::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    popup();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

}  // namespace VSTGUI
