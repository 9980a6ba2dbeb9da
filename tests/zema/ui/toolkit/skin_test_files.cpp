#include "tests/zema/ui/toolkit/skin_test_files.h"

#include <vector>

namespace zema_tests {

void WriteSolidBitmap(const std::string& path, int width, int height, COLORREF color) {
    int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = stride * height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    std::string row(stride, '\0');
    for (int x = 0; x < width; ++x) {
        row[x * 3] = static_cast<char>(GetBValue(color));
        row[x * 3 + 1] = static_cast<char>(GetGValue(color));
        row[x * 3 + 2] = static_cast<char>(GetRValue(color));
    }
    for (int y = 0; y < height; ++y) bytes += row;
    testing_support::WriteFileBytes(path, bytes);
}

bool SkinFolder::Load(const std::string& body) {
    std::string path = folder_.File("res.xml");
    testing_support::WriteFileBytes(
        path, "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<Resource>" + body +
                  "</Resource>\r\n");
    return skin_.Load(path);
}

}  // namespace zema_tests
