// COptionMenu: a pop-up menu of entries (text, separators, check marks). Its value is the
// position of the chosen entry, separators counted. The pop-up is shown by the frame in an
// override-redirect window when on screen; its pointer handling (popupMouse*) works in
// the pop-up's own coordinates and needs no window, so tests can drive it directly.
#pragma once

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "ccontrol.h"

namespace VSTGUI {

class CMenuItem {
public:
    enum Flags { kNoFlags = 0, kDisabled = 1 << 0, kChecked = 1 << 2, kSeparator = 1 << 4 };
    explicit CMenuItem(const char* title, int32_t flags = kNoFlags);

    const char* getTitle() const { return title.c_str(); }
    void setTitle(const char* t) { title = t ? t : ""; }
    bool isEnabled() const { return !(flags & kDisabled); }
    void setEnabled(bool state) { flags = state ? flags & ~kDisabled : flags | kDisabled; }
    bool isChecked() const { return (flags & kChecked) != 0; }
    void setChecked(bool state) { flags = state ? flags | kChecked : flags & ~kChecked; }
    bool isSeparator() const { return (flags & kSeparator) != 0; }
    // Entries of a sub-menu: choosing this entry shows them in its place.
    void addSubEntry(const char* t) { subEntries.emplace_back(t ? t : ""); }
    const std::vector<std::string>& getSubEntries() const { return subEntries; }
    bool hasSubmenu() const { return !subEntries.empty(); }

private:
    std::string title;
    int32_t flags;
    std::vector<std::string> subEntries;
};

class COptionMenu : public CControl {
public:
    COptionMenu(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background = nullptr,
                CBitmap* bgWhenClick = nullptr, int32_t style = 0);
    COptionMenu(const COptionMenu& other);
    ~COptionMenu() override;

    // A title of "-" adds a separator. index −1 appends.
    CMenuItem* addEntry(const char* title, int32_t index = -1, int32_t itemFlags = CMenuItem::kNoFlags);
    CMenuItem* addSeparator(int32_t index = -1);
    bool removeEntry(int32_t index);
    bool removeAllEntry();
    int32_t getNbEntries() const { return static_cast<int32_t>(items.size()); }
    CMenuItem* getEntry(int32_t index) const;
    CMenuItem* getCurrent() const { return getEntry(currentIndex); }
    int32_t getCurrentIndex() const { return currentIndex; }
    bool setCurrent(int32_t index);
    bool checkEntry(int32_t index, bool state);
    bool checkEntryAlone(int32_t index);
    bool isCheckEntry(int32_t index) const;

    void setValue(float val) override;

    // Shows the menu at the view's top-left corner; returns at once. The choice reaches the
    // listener later, from the frame's idle (or from popupMouseUp in tests).
    bool popup();
    bool isPopupOpen() const { return popupOpen; }
    // Size of the pop-up. Entries that do not fit the maximum height continue in further
    // columns (a long patch list stays reachable on any screen).
    CRect getPopupSize() const;
    void setMaxPopupHeight(double height) { maxPopupHeight = height; }
    // Pointer input in pop-up coordinates.
    void popupMouseMoved(const CPoint& where);
    void popupMouseDown(const CPoint& where);
    void popupMouseUp(const CPoint& where);
    int32_t popupEntryAt(const CPoint& where) const;  // −1: none, separator or disabled
    int32_t getPopupHover() const { return hover; }
    // Closes the pop-up and reports the entry to the listener as the new value. An entry with
    // a sub-menu instead opens the sub-menu in the pop-up's place; choosing one of its entries
    // reports the parent entry, and getLastSubmenuChoice() tells which (−1 for plain entries).
    void popupChoose(int32_t index);
    int32_t getOpenSubmenu() const { return openSubmenu; }
    int32_t getLastSubmenuChoice() const { return lastSubmenuChoice; }
    void popupCancel();
    void drawPopup(cairo_t* cr) const;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

    CLASS_METHODS(COptionMenu, CControl)

    static constexpr double kItemHeight = 20, kSeparatorHeight = 9, kMinWidth = 140;

private:
    // Rectangles of the entries in pop-up coordinates, and the pop-up's size.
    struct PopupLayout {
        std::vector<CRect> rows;
        CRect size;
    };
    PopupLayout computeLayout() const;
    const PopupLayout& layout() const;
    void setHover(int32_t index);
    // The entries the pop-up shows: the menu's own, or those of the open sub-menu.
    const std::vector<std::unique_ptr<CMenuItem>>& shown() const { return openSubmenu >= 0 ? subItems : items; }
    void openSubmenuOf(int32_t index);

    mutable PopupLayout cachedLayout;  // valid while the pop-up is open
    double maxPopupHeight = 0;         // 0: no limit

    std::vector<std::unique_ptr<CMenuItem>> items;
    std::vector<std::unique_ptr<CMenuItem>> subItems;  // of the open sub-menu
    int32_t openSubmenu = -1;
    int32_t lastSubmenuChoice = -1;
    int32_t currentIndex = -1;
    bool popupOpen = false;
    int32_t hover = -1;
    int32_t style;
};

}  // namespace VSTGUI
