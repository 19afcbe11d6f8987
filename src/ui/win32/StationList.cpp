#include "ui/win32/StationList.h"

#include <commctrl.h>

#include <algorithm>

#include "host/windows/WideText.h"
#include "station/operator/OperatorText.h"

namespace zt::win32 {

using host_windows::ToUtf8;
using host_windows::ToWide;

namespace {

constexpr const char* kContext = "Win32StationWindow";

COLORREF ColourOf(RowTone tone) {
    switch (tone) {
        case RowTone::Passed:
            return RGB(0, 128, 0);
        case RowTone::Failed:
            return RGB(211, 47, 47);
        case RowTone::Plain:
            break;
    }
    return GetSysColor(COLOR_WINDOWTEXT);
}

}  // namespace

bool StationList::Create(HWND dialog, int placeholderId) {
    const HWND placeholder = GetDlgItem(dialog, placeholderId);
    if (!placeholder) return false;
    RECT area;
    GetWindowRect(placeholder, &area);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
    DestroyWindow(placeholder);
    list_ = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL, area.left,
        area.top, area.right - area.left, area.bottom - area.top, dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(placeholderId)), GetModuleHandleW(nullptr), nullptr);
    if (!list_) return false;
    SendMessageW(list_, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    // Widths in dialog units, as the rest of the window; the meaning takes
    // what is left.
    const struct {
        const char* title;
        int width;
    } columns[kStationColumns] = {
        {"Port", 76}, {"VID:PID", 80}, {"Progress", 50}, {"Result", 150}, {"What it means", 0}};
    int used = 0;
    for (int column = 0; column < kStationColumns; ++column) {
        RECT units{0, 0, columns[column].width, 0};
        MapDialogRect(dialog, &units);
        int width = units.right;
        if (columns[column].width == 0) width = std::max<int>(area.right - area.left - used - 24, 80);
        used += width;
        std::wstring title = ToWide(station::OperatorText(kContext, columns[column].title));
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        c.pszText = title.data();
        c.cx = width;
        c.iSubItem = column;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c));
    }
    return true;
}

void StationList::Show(const std::vector<Line>& lines) {
    while (lines_.size() > lines.size()) {
        SendMessageW(list_, LVM_DELETEITEM, lines_.size() - 1, 0);
        lines_.pop_back();
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == lines_.size()) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = const_cast<wchar_t*>(L"");
            SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            lines_.emplace_back();
            lines_.back().cells.fill("\x01");  // differs from any text: every cell is set
        }
        Line& shown = lines_[i];
        const bool redraw = shown.progress != lines[i].progress || shown.tone != lines[i].tone;
        for (int column = 0; column < kStationColumns; ++column)
            if (shown.cells[column] != lines[i].cells[column]) SetCell(i, column, lines[i].cells[column]);
        shown = lines[i];
        if (redraw) SendMessageW(list_, LVM_REDRAWITEMS, i, i);
    }
}

void StationList::SetCell(size_t line, int column, const std::string& text) {
    std::wstring wide = ToWide(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(list_, LVM_SETITEMTEXTW, line, reinterpret_cast<LPARAM>(&item));
}

std::string StationList::CellText(size_t line, int column) const {
    if (!list_ || line >= lines_.size()) return "";
    std::wstring text(1024, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    const auto length = SendMessageW(list_, LVM_GETITEMTEXTW, line, reinterpret_cast<LPARAM>(&item));
    text.resize(static_cast<size_t>(length));
    return ToUtf8(text);
}

LRESULT StationList::CustomDraw(LPARAM notice) const {
    NMLVCUSTOMDRAW& draw = *reinterpret_cast<NMLVCUSTOMDRAW*>(notice);
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            const size_t line = draw.nmcd.dwItemSpec;
            if (line >= lines_.size()) return CDRF_DODEFAULT;
            if (draw.iSubItem == kStationProgress) {
                RECT cell{};
                cell.top = kStationProgress;
                cell.left = LVIR_BOUNDS;
                SendMessageW(list_, LVM_GETSUBITEMRECT, line, reinterpret_cast<LPARAM>(&cell));
                DrawBar(draw.nmcd.hdc, line, cell);
                return CDRF_SKIPDEFAULT;
            }
            // Set for every cell: the colour stays with the device context.
            draw.clrText = ColourOf(draw.iSubItem == kStationResult ? lines_[line].tone : RowTone::Plain);
            return CDRF_NEWFONT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

void StationList::DrawBar(HDC dc, size_t line, const RECT& cell) const {
    const Line& shown = lines_[line];
    FillRect(dc, &cell, GetSysColorBrush(COLOR_WINDOW));
    RECT bar = cell;
    InflateRect(&bar, -2, -2);
    FrameRect(dc, &bar, GetSysColorBrush(COLOR_GRAYTEXT));
    RECT done = bar;
    InflateRect(&done, -1, -1);
    done.right = done.left + (done.right - done.left) * std::clamp(shown.progress, 0, 100) / 100;
    // A failed unit's bar turns red, so that it stands out among the good ones.
    const HBRUSH brush = CreateSolidBrush(shown.tone == RowTone::Failed ? ColourOf(RowTone::Failed)
                                                                        : GetSysColor(COLOR_HIGHLIGHT));
    FillRect(dc, &done, brush);
    DeleteObject(brush);
    const std::wstring text = ToWide(shown.cells[kStationProgress]);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    RECT label = bar;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &label,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace zt::win32
