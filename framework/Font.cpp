#include "Font.h"

#include "SystemInfo.h"

namespace fw {

TFontRequest ReadFontRequest(const fw::TIniFile& ini, const std::wstring& section, const std::wstring& prefix)
{
    TFontRequest r;
    r.Charset = ini.ReadInteger(section, prefix + L"FontCharset", -1);
    r.Size = ini.ReadInteger(section, prefix + L"FontSize", -1);
    r.Name = ini.ReadString(section, prefix + L"FontName", L"");
    return r;
}

TFontSpec ResolveFont(const TFontRequest& request, const TFontSpec& menuFont)
{
    TFontSpec s;
    s.Name = request.Name.empty() ? menuFont.Name : request.Name;
    s.Size = request.Size < 0 ? menuFont.Size : request.Size;
    s.Charset = request.Charset < 0 ? menuFont.Charset : request.Charset;
    return s;
}

LOGFONTW FontAtDpi(const TFontSpec& font, int dpi)
{
    LOGFONTW lf{};
    int height = -::MulDiv(font.Size, 96, 72);
    if (dpi > 0 && dpi != 96)
        height = ::MulDiv(height, dpi, 96);
    lf.lfHeight = height;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = static_cast<BYTE>(font.Charset);
    lf.lfQuality = DEFAULT_QUALITY;
    ::lstrcpynW(lf.lfFaceName, font.Name.c_str(), LF_FACESIZE);
    return lf;
}

TFontSpec SystemMenuFont()
{
    TFontSpec s{L"Tahoma", 8, DEFAULT_CHARSET};
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof(m);
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0))
        return s;
    s.Name = m.lfMenuFont.lfFaceName;
    const int pixels = m.lfMenuFont.lfHeight < 0 ? -m.lfMenuFont.lfHeight : m.lfMenuFont.lfHeight;
    s.Size = ::MulDiv(pixels, 72, fw::ScreenDpi());
    s.Charset = m.lfMenuFont.lfCharSet;
    return s;
}

} // namespace fw
