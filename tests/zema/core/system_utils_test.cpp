#include "zema/core/system_utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace zema {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// RC2 (RFC 2268) in CBC mode with a zero IV, written here so that the test
// reads the stored form without the CryptoAPI. The key is the 16-byte MD5 of
// "plovtrane" with 128 effective bits, as the default full-RSA provider
// derives it.
class Rc2 {
public:
    Rc2(const uint8_t* key, size_t length, int effectiveBits) {
        static const uint8_t kPi[256] = {
            0xd9, 0x78, 0xf9, 0xc4, 0x19, 0xdd, 0xb5, 0xed, 0x28, 0xe9, 0xfd, 0x79, 0x4a, 0xa0, 0xd8, 0x9d,
            0xc6, 0x7e, 0x37, 0x83, 0x2b, 0x76, 0x53, 0x8e, 0x62, 0x4c, 0x64, 0x88, 0x44, 0x8b, 0xfb, 0xa2,
            0x17, 0x9a, 0x59, 0xf5, 0x87, 0xb3, 0x4f, 0x13, 0x61, 0x45, 0x6d, 0x8d, 0x09, 0x81, 0x7d, 0x32,
            0xbd, 0x8f, 0x40, 0xeb, 0x86, 0xb7, 0x7b, 0x0b, 0xf0, 0x95, 0x21, 0x22, 0x5c, 0x6b, 0x4e, 0x82,
            0x54, 0xd6, 0x65, 0x93, 0xce, 0x60, 0xb2, 0x1c, 0x73, 0x56, 0xc0, 0x14, 0xa7, 0x8c, 0xf1, 0xdc,
            0x12, 0x75, 0xca, 0x1f, 0x3b, 0xbe, 0xe4, 0xd1, 0x42, 0x3d, 0xd4, 0x30, 0xa3, 0x3c, 0xb6, 0x26,
            0x6f, 0xbf, 0x0e, 0xda, 0x46, 0x69, 0x07, 0x57, 0x27, 0xf2, 0x1d, 0x9b, 0xbc, 0x94, 0x43, 0x03,
            0xf8, 0x11, 0xc7, 0xf6, 0x90, 0xef, 0x3e, 0xe7, 0x06, 0xc3, 0xd5, 0x2f, 0xc8, 0x66, 0x1e, 0xd7,
            0x08, 0xe8, 0xea, 0xde, 0x80, 0x52, 0xee, 0xf7, 0x84, 0xaa, 0x72, 0xac, 0x35, 0x4d, 0x6a, 0x2a,
            0x96, 0x1a, 0xd2, 0x71, 0x5a, 0x15, 0x49, 0x74, 0x4b, 0x9f, 0xd0, 0x5e, 0x04, 0x18, 0xa4, 0xec,
            0xc2, 0xe0, 0x41, 0x6e, 0x0f, 0x51, 0xcb, 0xcc, 0x24, 0x91, 0xaf, 0x50, 0xa1, 0xf4, 0x70, 0x39,
            0x99, 0x7c, 0x3a, 0x85, 0x23, 0xb8, 0xb4, 0x7a, 0xfc, 0x02, 0x36, 0x5b, 0x25, 0x55, 0x97, 0x31,
            0x2d, 0x5d, 0xfa, 0x98, 0xe3, 0x8a, 0x92, 0xae, 0x05, 0xdf, 0x29, 0x10, 0x67, 0x6c, 0xba, 0xc9,
            0xd3, 0x00, 0xe6, 0xcf, 0xe1, 0x9e, 0xa8, 0x2c, 0x63, 0x16, 0x01, 0x3f, 0x58, 0xe2, 0x89, 0xa9,
            0x0d, 0x38, 0x34, 0x1b, 0xab, 0x33, 0xff, 0xb0, 0xbb, 0x48, 0x0c, 0x5f, 0xb9, 0xb1, 0xcd, 0x2e,
            0xc5, 0xf3, 0xdb, 0x47, 0xe5, 0xa5, 0x9c, 0x77, 0x0a, 0xa6, 0x20, 0x68, 0xfe, 0x7f, 0xc1, 0xad};
        uint8_t l[128] = {};
        memcpy(l, key, length);
        for (size_t i = length; i < 128; ++i) l[i] = kPi[(l[i - 1] + l[i - length]) & 255];
        int t8 = (effectiveBits + 7) / 8;
        uint8_t tm = static_cast<uint8_t>(255 % (1 << (8 + effectiveBits - 8 * t8)));
        l[128 - t8] = kPi[l[128 - t8] & tm];
        for (int i = 127 - t8; i >= 0; --i) l[i] = kPi[l[i + 1] ^ l[i + t8]];
        for (int i = 0; i < 64; ++i) k_[i] = static_cast<uint16_t>(l[2 * i] | (l[2 * i + 1] << 8));
    }

    std::vector<uint8_t> DecryptCbc(const std::vector<uint8_t>& data) const {
        std::vector<uint8_t> out;
        uint8_t previous[8] = {};
        for (size_t off = 0; off + 8 <= data.size(); off += 8) {
            uint16_t r[4];
            for (int i = 0; i < 4; ++i)
                r[i] = static_cast<uint16_t>(data[off + 2 * i] | (data[off + 2 * i + 1] << 8));
            DecryptBlock(r);
            for (int i = 0; i < 8; ++i) {
                uint8_t b = static_cast<uint8_t>(r[i / 2] >> (8 * (i % 2)));
                out.push_back(b ^ previous[i]);
                previous[i] = data[off + i];
            }
        }
        return out;
    }

private:
    static uint16_t Ror(uint16_t x, int n) {
        return static_cast<uint16_t>((x >> n) | (x << (16 - n)));
    }
    void DecryptBlock(uint16_t r[4]) const {
        static const int kShift[4] = {1, 2, 3, 5};
        int j = 63;
        for (int round = 15; round >= 0; --round) {
            for (int i = 3; i >= 0; --i) {
                r[i] = Ror(r[i], kShift[i]);
                r[i] = static_cast<uint16_t>(r[i] - k_[j--] - (r[(i + 3) & 3] & r[(i + 2) & 3]) -
                                             (~r[(i + 3) & 3] & r[(i + 1) & 3]));
            }
            if (round == 11 || round == 5) {
                for (int i = 3; i >= 0; --i)
                    r[i] = static_cast<uint16_t>(r[i] - k_[r[(i + 3) & 3] & 63]);
            }
        }
    }
    uint16_t k_[64];
};

std::string DecryptIndependently(const std::vector<uint8_t>& cipher) {
    static const uint8_t kKey[16] = {0x2c, 0x8b, 0x29, 0x7d, 0x75, 0xa6, 0x34, 0xa6,
                                     0x41, 0x69, 0x5a, 0x84, 0xd8, 0x6e, 0x95, 0x21};
    std::vector<uint8_t> plain = Rc2(kKey, sizeof(kKey), 128).DecryptCbc(cipher);
    if (plain.empty() || plain.back() < 1 || plain.back() > 8) return "<bad padding>";
    plain.resize(plain.size() - plain.back());
    return std::string(plain.begin(), plain.end());
}

TEST(FormatSize, SwitchesUnitsAtTheDocumentedBoundaries) {
    EXPECT_EQ("0", FormatSize(0));
    EXPECT_EQ("999", FormatSize(999));
    EXPECT_EQ("0.98 KB", FormatSize(1000));
    EXPECT_EQ("10.00 KB", FormatSize(10239));
    EXPECT_EQ("10.0 KB", FormatSize(10240));
    EXPECT_EQ("1000.0 KB", FormatSize(1023999));
    EXPECT_EQ("0.98 MB", FormatSize(1024000));
    EXPECT_EQ("1.00 MB", FormatSize(1048576));
}

TEST(FormatSize, RoundsExactHalvesUp) {
    // 10.25 KB and 1.125 MB are exact binary values that round-half-even
    // printing would turn down.
    EXPECT_EQ("10.3 KB", FormatSize(10496));
    EXPECT_EQ("1.13 MB", FormatSize(1179648));
}

TEST(Base64, EncodesWithPaddingAndDecodesBack) {
    EXPECT_EQ("", Base64Encode(nullptr, 0));
    auto one = Bytes("f");
    EXPECT_EQ("Zg==", Base64Encode(one.data(), one.size()));
    auto two = Bytes("fo");
    EXPECT_EQ("Zm8=", Base64Encode(two.data(), two.size()));
    auto three = Bytes("foo");
    EXPECT_EQ("Zm9v", Base64Encode(three.data(), three.size()));
    EXPECT_EQ(Bytes("f"), Base64Decode("Zg=="));
    EXPECT_EQ(Bytes("fo"), Base64Decode("Zm8="));
    EXPECT_EQ(Bytes("foobar"), Base64Decode("Zm9vYmFy"));
}

TEST(Base64, DecodingSkipsLeadingBlanksAndStopsAtForeignCharacters) {
    EXPECT_EQ(Bytes("foobar"), Base64Decode(" \t Zm9vYmFy"));
    EXPECT_EQ(Bytes("foo"), Base64Decode("Zm9v!YmFy"));
    EXPECT_TRUE(Base64Decode("").empty());
    EXPECT_TRUE(Base64Decode("   ").empty());
    EXPECT_TRUE(Base64Decode("*Zm9v").empty());
}

TEST(ProtectText, SevenCharacterPasswordBecomesSixteenBytesAndTwentyFourCharacters) {
    std::vector<uint8_t> cipher;
    ASSERT_TRUE(EncryptBytes(reinterpret_cast<const uint8_t*>("seven77"), 8, cipher));
    EXPECT_EQ(16u, cipher.size());
    std::string stored = ProtectText("seven77");
    EXPECT_EQ(24u, stored.size());
    EXPECT_EQ("seven77", UnprotectText(stored));
}

TEST(ProtectText, StoredFormIsReadableByTheCryptoApiSchemeAlone) {
    std::string stored = ProtectText("s3cret");
    std::string plain = DecryptIndependently(Base64Decode(stored));
    ASSERT_EQ(7u, plain.size());
    EXPECT_EQ(std::string("s3cret\0", 7), plain);
}

TEST(ProtectText, RoundTripsEmptyShortAndLongPasswords) {
    EXPECT_EQ("", UnprotectText(ProtectText("")));
    EXPECT_EQ("abcdefghijklmn", UnprotectText(ProtectText("abcdefghijklmn")));
    std::string longOne(30, 'x');
    longOne[7] = 'Q';
    EXPECT_EQ(longOne, UnprotectText(ProtectText(longOne)));
}

TEST(ProtectText, UndecodableTextGivesAnEmptyPassword) {
    EXPECT_EQ("", UnprotectText(""));
    EXPECT_EQ("", UnprotectText("!!!!"));
    EXPECT_EQ("", UnprotectText("QUJD"));  // three bytes: not a whole cipher block
}

TEST(FormatDate, TakesTheDateFromTheValueWithoutLeadingZeros) {
    SYSTEMTIME t = {};
    t.wYear = 2024;
    t.wMonth = 3;
    t.wDay = 7;
    DATE date = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &date));
    EXPECT_EQ("3/7/2024", FormatDate(date));
    t.wYear = 1999;
    t.wMonth = 12;
    t.wDay = 31;
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &date));
    EXPECT_EQ("12/31/1999", FormatDate(date + 0.75));  // the time of day does not matter
}

TEST(FormatTime, FormatsLocalDateAndIsEmptyWhenNotConvertible) {
    std::string text = FormatTime(1700000000);  // mid-November 2023 in every zone
    ASSERT_EQ(10u, text.size());
    EXPECT_EQ("11/", text.substr(0, 3));
    EXPECT_EQ("/2023", text.substr(5));
    EXPECT_EQ("", FormatTime(-100000000));
}

TEST(BootTime, IsStableAndNonZero) {
    int64_t first = QueryBootTime();
    EXPECT_NE(0, first);
    Sleep(20);
    EXPECT_EQ(first, QueryBootTime());
}

// A thread that ends once its event is set.
struct GatedThread {
    static DWORD WINAPI Proc(void* gate) {
        ::WaitForSingleObject(static_cast<HANDLE>(gate), INFINITE);
        return 42;
    }
    GatedThread() : gate(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        thread = ::CreateThread(nullptr, 0, &Proc, gate, 0, nullptr);
    }
    ~GatedThread() {
        ::SetEvent(gate);
        ::WaitForSingleObject(thread, INFINITE);
        ::CloseHandle(thread);
        ::CloseHandle(gate);
    }
    HANDLE gate;
    HANDLE thread;
};

// Counts the messages it receives; on the first it asks its own loop to quit.
struct QuittingWindow {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP) {
            auto* self = reinterpret_cast<QuittingWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (++self->received == 1) ::PostQuitMessage(7);
            ::SetEvent(self->gate);
            return 0;
        }
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    int received = 0;
    HANDLE gate = nullptr;
};

TEST(WaitForThreadDispatching, ServesWindowsAndKeepsTheQuitForTheOuterLoop) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &QuittingWindow::Proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZemaQuittingWindow";
    ::RegisterClassA(&wc);
    HWND hwnd = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(nullptr, hwnd);
    QuittingWindow window;
    GatedThread worker;
    window.gate = worker.gate;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&window));
    // The message asks to quit while the wait dispatches, then lets the
    // worker end.
    ::PostMessageA(hwnd, WM_APP, 0, 0);

    EXPECT_EQ(42u, WaitForThreadDispatching(worker.thread));
    EXPECT_EQ(1, window.received);
    MSG msg = {};
    std::vector<UINT> left;
    WPARAM quitCode = 0;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        left.push_back(msg.message);
        if (msg.message == WM_QUIT) quitCode = msg.wParam;
    }
    EXPECT_NE(left.end(), std::find(left.begin(), left.end(), static_cast<UINT>(WM_QUIT)))
        << "a quit taken by the wait must reach the outer loop";
    EXPECT_EQ(7u, quitCode);
    ::DestroyWindow(hwnd);
}

}  // namespace
}  // namespace zema
