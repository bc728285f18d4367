#pragma once
// Whether a page needs a real origin: module scripts and import maps are
// fetched with CORS, which a file:// page (an opaque origin) is refused, so
// such an app stays blank unless the launcher serves it under its host. The
// packer serves every app so; this tells a --file-url pack why its page
// will not run.
#include <string>
#include <string_view>

// "a module script", "an import map" for the first <script> element whose
// type says so, or the empty text. Tag and attribute names and the type's
// value are matched in any letter case, the value quoted with " or ' or not
// at all; comments and the text inside script elements are not looked at.
std::string module_feature_of(std::string_view html);
