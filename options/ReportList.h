#pragma once
// Rows of a report-style list view of the settings dialog: a caption, one second column, an
// integer data slot and, on lists that have them, a check box. The rows live in the list
// view itself; this is a thin typed view of one list view window.

#include <windows.h>

#include <string>

namespace lorvane {

class TReportRows {
  public:
    explicit TReportRows(HWND list = nullptr) noexcept : list(list) {}

    HWND Handle() const noexcept { return list; }
    int Count() const noexcept;
    void Clear() noexcept;
    // Appends a row with an empty second column; its index.
    int Add(const std::wstring& caption, LPARAM data = 0);

    std::wstring Caption(int row) const;
    void SetCaption(int row, const std::wstring& text);
    std::wstring SubItem(int row) const;
    void SetSubItem(int row, const std::wstring& text);
    LPARAM Data(int row) const noexcept;
    void SetData(int row, LPARAM data) noexcept;
    bool Checked(int row) const noexcept;
    void SetChecked(int row, bool on) noexcept;

    // The selected row, or -1.
    int Selected() const noexcept;
    void Select(int row) noexcept;

    // Redrawing stops until the matching EndUpdate.
    void BeginUpdate() noexcept;
    void EndUpdate() noexcept;

    // Whether a press at client point `p` lies on a row's check box.
    bool OnCheckBox(POINT p) const noexcept;

  private:
    std::wstring Text(int row, int column) const;
    void SetText(int row, int column, const std::wstring& text);

    HWND list;
};

} // namespace lorvane
