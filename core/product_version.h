// The product's version as plain text, for the tools that do not link Qt
// (clipwright-cli). It is the project's version, set once in the top-level
// CMakeLists.txt; core/product.h hands the same value to the Qt layers.
#pragma once

namespace product {

inline constexpr char kVersion[] = CLIPWRIGHT_VERSION;  // "MAJOR.MINOR"

}  // namespace product
