#pragma once
// The name a download is saved under, from the server's Content-Disposition or the address.
// Texts are GBK. Names come from outside, so SafeFileName stands between them and the disk.
#include <string>
#include <string_view>

#include "platform/bytes.h"

namespace brisklet::download {

// The last component of an address or path ("/" and "\" both separate; a "\" that is the
// second byte of a double-byte character does not). A path that ends in a separator gives
// the empty text. Without keepExtension the part from the last "." is cut off.
std::string FileNameOfPath(std::string_view path, bool keepExtension);

// "%" and two hexadecimal digits become that byte; "+" becomes a space; everything else,
// a "%" without two digits after it included, is copied.
Bytes PercentDecode(const Bytes& source);

// Percent-decodes, reads the bytes as UTF-8 and gives them in GBK, up to the first zero
// character. An empty name stays empty.
std::string DecodeFileName(std::string_view name);

// The name of the job's file before decoding: the text after the first "filename=" of a
// non-empty Content-Disposition, with one leading and one trailing double quote removed;
// otherwise the address's last component cut before its first "?". Then decoded.
std::string JobFileName(std::string_view contentDisposition, std::string_view url);

// A name that stays inside its folder: separators and control characters become "_", a name
// of nothing but dots and spaces (".", "..") or an empty one becomes kFallbackFileName, and a
// very long name is shortened (keeping its extension) so that the folder can hold it.
std::string SafeFileName(std::string_view name);
extern const char* const kFallbackFileNameUtf8;  // "下载文件", the name engine 1 always uses

}  // namespace brisklet::download
