#include "platform/keycodes.h"

#include <QChar>

#include <array>


namespace {

struct Key {
    qint64 keyCode;
    quint32 keysym;
};

// Every key the recorder can record: the ANSI layout's virtual key codes and the X
// keysyms of the same keys (unshifted).
constexpr std::array keys{
    Key{0, 0x61},   Key{1, 0x73},   Key{2, 0x64},   Key{3, 0x66},   Key{4, 0x68},   Key{5, 0x67},   // a s d f h g
    Key{6, 0x7a},   Key{7, 0x78},   Key{8, 0x63},   Key{9, 0x76},   Key{11, 0x62},  Key{12, 0x71},  // z x c v b q
    Key{13, 0x77},  Key{14, 0x65},  Key{15, 0x72},  Key{16, 0x79},  Key{17, 0x74},  Key{18, 0x31},  // w e r y t 1
    Key{19, 0x32},  Key{20, 0x33},  Key{21, 0x34},  Key{22, 0x36},  Key{23, 0x35},  Key{24, 0x3d},  // 2 3 4 6 5 =
    Key{25, 0x39},  Key{26, 0x37},  Key{27, 0x2d},  Key{28, 0x38},  Key{29, 0x30},  Key{30, 0x5d},  // 9 7 - 8 0 ]
    Key{31, 0x6f},  Key{32, 0x75},  Key{33, 0x5b},  Key{34, 0x69},  Key{35, 0x70},  Key{37, 0x6c},  // o u [ i p l
    Key{38, 0x6a},  Key{39, 0x27},  Key{40, 0x6b},  Key{41, 0x3b},  Key{42, 0x5c},  Key{43, 0x2c},  // j ' k ; \ ,
    Key{44, 0x2f},  Key{45, 0x6e},  Key{46, 0x6d},  Key{47, 0x2e},  Key{50, 0x60},                  // / n m . `
    Key{36, 0xff0d}, // Return
    Key{48, 0xff09}, // Tab
    Key{49, 0x20},   // space
    Key{51, 0xff08}, // BackSpace (the "delete" key)
    Key{53, 0xff1b}, // Escape
    Key{65, 0xffae}, Key{67, 0xffaa}, Key{69, 0xffab}, Key{71, 0xff7f}, Key{75, 0xffaf}, // keypad . * + NumLock /
    Key{76, 0xff8d}, Key{78, 0xffad}, Key{81, 0xffbd}, Key{82, 0xffb0}, Key{83, 0xffb1}, // keypad Enter - = 0 1
    Key{84, 0xffb2}, Key{85, 0xffb3}, Key{86, 0xffb4}, Key{87, 0xffb5}, Key{88, 0xffb6}, // keypad 2 3 4 5 6
    Key{89, 0xffb7}, Key{91, 0xffb8}, Key{92, 0xffb9},                                   // keypad 7 8 9
    Key{122, 0xffbe}, Key{120, 0xffbf}, Key{99, 0xffc0}, Key{118, 0xffc1}, Key{96, 0xffc2}, // F1-F5
    Key{97, 0xffc3}, Key{98, 0xffc4}, Key{100, 0xffc5}, Key{101, 0xffc6}, Key{109, 0xffc7}, // F6-F10
    Key{103, 0xffc8}, Key{111, 0xffc9}, Key{105, 0xffca}, Key{107, 0xffcb}, Key{113, 0xffcc}, // F11-F15
    Key{106, 0xffcd}, Key{64, 0xffce}, Key{79, 0xffcf}, Key{80, 0xffd0}, Key{90, 0xffd1},   // F16-F20
    Key{114, 0xff63}, // Insert (where the Help key is)
    Key{115, 0xff50}, Key{116, 0xff55}, Key{117, 0xffff}, Key{119, 0xff57}, Key{121, 0xff56}, // Home PgUp Delete End PgDn
    Key{123, 0xff51}, Key{124, 0xff53}, Key{125, 0xff54}, Key{126, 0xff52}, // Left Right Down Up
};

} // namespace

std::optional<quint32> keysymForKeyCode(qint64 keyCode)
{
    for (const Key &key : keys) {
        if (key.keyCode == keyCode)
            return key.keysym;
    }
    return std::nullopt;
}

std::optional<qint64> keyCodeForKeysym(quint32 keysym)
{
    // Upper-case Latin letters and the shifted symbols are other keysyms of the same
    // keys (on the ANSI layout the key codes describe).
    if (keysym >= 0x41 && keysym <= 0x5a)
        keysym += 0x20;
    static constexpr std::pair<char, char> shifted[] = {
        {'!', '1'}, {'@', '2'}, {'#', '3'}, {'$', '4'}, {'%', '5'}, {'^', '6'}, {'&', '7'},
        {'*', '8'}, {'(', '9'}, {')', '0'}, {'_', '-'}, {'+', '='}, {'{', '['}, {'}', ']'},
        {'|', '\\'}, {':', ';'}, {'"', '\''}, {'<', ','}, {'>', '.'}, {'?', '/'}, {'~', '`'},
    };
    for (const auto &[symbol, base] : shifted) {
        if (keysym == quint32(symbol))
            keysym = quint32(base);
    }
    for (const Key &key : keys) {
        if (key.keysym == keysym)
            return key.keyCode;
    }
    return std::nullopt;
}
