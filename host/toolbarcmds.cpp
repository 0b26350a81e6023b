// The console's hand on the toolbars of the host's frame, as its user's mouse would be:
//   TOOLBAR                     lists the toolbars: title, where they are, and each button with its tip
//   TOOLBAR <button>            presses a button: by its place (1, 2, ...), its short name or its command id
//   TOOLBAR DOCK <side>         docks the first toolbar on TOP, BOTTOM, LEFT or RIGHT
//   TOOLBAR FLOAT <x> <y>       floats the first toolbar at the screen point
#include <algorithm>
#include <sstream>

#include "host/host.h"
#include "host/hostcmds.h"
#include "platform/arx/aced/acedcmdline.h"
#include "platform/arx/aced/acedframe.h"
#include "platform/win32/core/unicode.h"

namespace tarnhost {
namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::vector<CToolBar*> ToolBars() {
    std::vector<CToolBar*> bars;
    for (CControlBar* bar : acedGetAcadFrame()->m_listControlBars) {
        if (bar->IsKindOf(RUNTIME_CLASS(CToolBar))) {
            bars.push_back(static_cast<CToolBar*>(bar));
        }
    }
    return bars;
}

std::u16string ShortName(const std::u16string& tip) {
    return tip.substr(0, tip.find(u'\n'));
}

std::u16string Where(const CControlBar* bar) {
    if (bar->IsFloating()) {
        return u"floating at (" + platform::Utf8ToUtf16(std::to_string(bar->m_ptFloat.x)) + u"," +
               platform::Utf8ToUtf16(std::to_string(bar->m_ptFloat.y)) + u")";
    }
    switch (bar->m_nDockBarId) {
        case AFX_IDW_DOCKBAR_TOP:
            return u"docked at the top";
        case AFX_IDW_DOCKBAR_BOTTOM:
            return u"docked at the bottom";
        case AFX_IDW_DOCKBAR_LEFT:
            return u"docked on the left";
        case AFX_IDW_DOCKBAR_RIGHT:
            return u"docked on the right";
        default:
            return u"not placed";
    }
}

void List(const std::vector<CToolBar*>& bars) {
    if (bars.empty()) {
        acutPrintf(u"\nNo toolbar.");
        return;
    }
    for (CToolBar* bar : bars) {
        CString title;
        bar->GetWindowText(title);
        acutPrintf(u"\nToolbar \"%s\": %s, %s", title.GetString(), Where(bar).c_str(),
                   bar->IsVisible() ? u"shown" : u"hidden");
        for (int i = 0; i < bar->GetCount(); ++i) {
            UINT id = 0;
            UINT style = 0;
            int image = 0;
            bar->GetButtonInfo(i, id, style, image);
            if ((style & TBBS_SEPARATOR) != 0) {
                continue;
            }
            std::u16string tip = platform::ToolBarButtonTip(bar, i);
            std::replace(tip.begin(), tip.end(), u'\n', u' ');
            acutPrintf(u"\n  %d %s (%u) image %d%s", i + 1, tip.c_str(), id, image,
                       (style & TBBS_DISABLED) != 0 ? u" disabled" : u"");
        }
    }
}

// The button the word names on any toolbar: its place, its command id or its short name.
bool Find(const std::vector<CToolBar*>& bars, const std::string& word, CToolBar*& found, UINT& id) {
    const std::u16string name = platform::Utf8ToUtf16(word);
    for (CToolBar* bar : bars) {
        for (int i = 0; i < bar->GetCount(); ++i) {
            const UINT itemId = bar->GetItemID(i);
            const bool byPlace = word == std::to_string(i + 1);
            const bool byId = word == std::to_string(itemId);
            const bool byName = ShortName(platform::ToolBarButtonTip(bar, i)) == name;
            if (itemId != 0 && (byPlace || byId || byName)) {
                found = bar;
                id = itemId;
                return true;
            }
        }
    }
    return false;
}

}  // namespace

bool ToolBarDirective(Host&, const std::string& args) {
    std::istringstream in(args);
    std::string word;
    const std::vector<CToolBar*> bars = ToolBars();
    if (!(in >> word)) {
        List(bars);
        return true;
    }
    CMDIFrameWnd* frame = acedGetAcadFrame();
    const std::string upper = Upper(word);
    if (upper == "DOCK" || upper == "FLOAT") {
        if (bars.empty()) {
            acutPrintf(u"\nNo toolbar.");
            return false;
        }
        CToolBar* bar = bars.front();
        if (upper == "FLOAT") {
            POINT at{};
            if (!(in >> at.x >> at.y) || bar->m_dwDockStyle == 0) {
                acutPrintf(u"\nTOOLBAR FLOAT needs a screen point x y, and a toolbar that can float.");
                return false;
            }
            frame->FloatControlBar(bar, at, CBRS_ALIGN_TOP);
            return true;
        }
        std::string side;
        in >> side;
        side = Upper(side);
        const UINT dockBar = side == "TOP"      ? AFX_IDW_DOCKBAR_TOP
                             : side == "BOTTOM" ? AFX_IDW_DOCKBAR_BOTTOM
                             : side == "LEFT"   ? AFX_IDW_DOCKBAR_LEFT
                             : side == "RIGHT"  ? AFX_IDW_DOCKBAR_RIGHT
                                                : 0;
        if (dockBar == 0) {
            acutPrintf(u"\nTOOLBAR DOCK needs TOP, BOTTOM, LEFT or RIGHT.");
            return false;
        }
        frame->DockControlBar(bar, dockBar);
        if (bar->IsFloating() || bar->m_nDockBarId != dockBar) {
            acutPrintf(u"\nThe toolbar cannot dock there.");
            return false;
        }
        return true;
    }
    CToolBar* bar = nullptr;
    UINT id = 0;
    if (!Find(bars, word, bar, id)) {
        acutPrintf(u"\nNo toolbar button \"%s\".", platform::Utf8ToUtf16(word).c_str());
        return false;
    }
    if (!platform::PressToolBarButton(bar, id)) {
        acutPrintf(u"\nThe button cannot be pressed now.");
        return false;
    }
    return true;
}

}  // namespace tarnhost
