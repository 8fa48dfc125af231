#pragma once
// The common controls: the report-style list view and the page control with its tab sheets.

#include "Containers.h"

#include <string>
#include <vector>

namespace fw {

// Report-style list view with the captions of its columns ("Columns=Button:170,Action:220").
class TListView : public TControl {
  public:
    using TControl::TControl;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool SetProperty(std::wstring_view key, std::wstring_view value) override;
    bool HasCaption() const noexcept override { return false; }

    int ColumnCount() const noexcept;
    std::wstring ColumnCaption(int column) const;
    void SetColumnCaption(int column, const std::wstring& text);
    int ColumnWidth(int column) const noexcept;
    void SetColumnWidth(int column, int width);
    void ScaleBy(int n, int d) override;

    TNotifyEvent OnSelectItem;
    TNotifyEvent OnDblClick;

  protected:
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// The tabs; each TTabSheet inside is one page, laid over the tab control's display area.
class TTabSheet;
class TPageControl : public TControl {
  public:
    using TControl::TControl;
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool HasCaption() const noexcept override { return false; }

    int PageCount() const noexcept { return static_cast<int>(pages.size()); }
    TTabSheet* Page(int index) const noexcept;
    int ActivePageIndex() const noexcept;
    // Ignored unless 0 <= index < PageCount.
    void SetActivePageIndex(int index);
    // Next or previous page, wrapping (Ctrl+Tab, Ctrl+PgDn …).
    void SelectNextPage(bool forward);
    void SetFont(HFONT font) override;
    void ScaleBy(int n, int d) override;

    TNotifyEvent OnChange;

  private:
    friend class TTabSheet;
    void AddPage(TTabSheet* page);
    void LayoutPages();
    void ShowActivePage();
    std::optional<LRESULT> Reflect(UINT msg, WPARAM wParam, LPARAM lParam) override;
    std::vector<TTabSheet*> pages;
};

class TTabSheet : public TPanel {
  public:
    using TPanel::TPanel;
    // The parent must be a TPageControl; the bounds are its display area.
    bool CreateHandle(TControl* parent, const RECT& bounds, DWORD extraStyle) override;
    bool HasCaption() const noexcept override { return true; }
    std::wstring Caption() const override { return caption; }
    void SetCaption(const std::wstring& text) override;
    int PageIndex() const noexcept;

  private:
    std::wstring caption;
    TPageControl* pageControl = nullptr;
};

// Parses "a:1,b:2" style lists of a form description.
std::vector<std::wstring> SplitList(std::wstring_view text, wchar_t separator);
std::optional<int> ParseInt(std::wstring_view text);

} // namespace fw
