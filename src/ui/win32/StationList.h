#pragma once
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "station/presenter/StationRow.h"
#include "ui/win32/StationTemplate.h"

namespace zt::win32 {

using station::RowTone;

// The unit rows of the station window as a report-style list view, one line
// per unit, as many as there are units (it scrolls): port, IDs, a progress
// bar drawn in its cell, the result in its tone, and what a failure means.
// It takes the place of the template's placeholder control, with its ID.
// UI thread only.
class StationList {
public:
    // One line as the list shows it.
    struct Line {
        std::array<std::string, kStationColumns> cells;
        int progress = 0;
        RowTone tone = RowTone::Plain;
    };

    // Replaces the dialog's control `placeholderId` by the list; false when
    // the list could not be made.
    bool Create(HWND dialog, int placeholderId);
    HWND Handle() const { return list_; }

    // Shows exactly `lines`, changing only the cells that differ.
    void Show(const std::vector<Line>& lines);
    size_t Count() const { return lines_.size(); }

    // What a cell shows, read back from the list itself.
    std::string CellText(size_t line, int column) const;
    int Progress(size_t line) const { return line < lines_.size() ? lines_[line].progress : 0; }

    // The list's NM_CUSTOMDRAW (`notice` is its NMLVCUSTOMDRAW): the bars and
    // the tones. Returns the result the dialog procedure hands back.
    LRESULT CustomDraw(LPARAM notice) const;

private:
    void SetCell(size_t line, int column, const std::string& text);
    void DrawBar(HDC dc, size_t line, const RECT& cell) const;

    HWND list_ = nullptr;
    std::vector<Line> lines_;
};

}  // namespace zt::win32
