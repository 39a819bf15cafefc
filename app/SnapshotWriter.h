#pragma once
// Writes a picture as a BMP, JPG, GIF or PNG file. The picture is encoded in
// memory first, so a file is only created when the encoding worked.
#include "media/Bitmap24.h"

#include <string>

enum class SnapshotType { BMP, JPG, GIF, PNG };

namespace SnapshotWriter {
// ".bmp", ".jpg", ".gif", ".png"
std::string Extension(SnapshotType type);
// The encoded file bytes; empty for an empty picture or when the encoder fails.
std::string Encode(const Bitmap24& picture, SnapshotType type);
// Encodes and writes `path`; on failure `error` gets the system's (or the
// encoder's) error text and false is returned.
bool Save(const Bitmap24& picture, SnapshotType type, const std::string& path, std::string& error);
}  // namespace SnapshotWriter
