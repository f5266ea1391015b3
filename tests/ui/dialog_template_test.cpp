// The dialog templates as the resource compiler writes them: every item's id, class, text,
// style and position, the captions, fonts and the language. Reads the .res that the build
// compiled from res/dialogs.rc with windres -c 65001.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000, WS_CAPTION = 0x00C00000,
                   WS_BORDER = 0x00800000, WS_SYSMENU = 0x00080000, WS_GROUP = 0x00020000, WS_TABSTOP = 0x00010000,
                   DS_MODALFRAME = 0x80, DS_SETFONT = 0x40;
constexpr uint32_t SS_LEFT = 0, SS_BLACKFRAME = 7, BS_PUSHBUTTON = 0, BS_DEFPUSHBUTTON = 1, BS_AUTOCHECKBOX = 3,
                   BS_AUTORADIOBUTTON = 9, BS_MULTILINE = 0x2000, ES_AUTOHSCROLL = 0x80;
constexpr uint32_t LVS_REPORT = 1, LVS_SINGLESEL = 4, LVS_SHOWSELALWAYS = 8, LVS_OWNERDRAWFIXED = 0x400,
                   LVS_NOSORTHEADER = 0x8000;

struct Item {
    int id;
    std::u16string cls;  // upper case
    std::u16string text;
    uint32_t style;
    int x, y, cx, cy;
    bool operator==(const Item&) const = default;
};

struct Template {
    int name = 0;
    int language = 0;
    uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::u16string caption;
    int pointSize = 0;
    std::u16string font;
    std::vector<Item> items;
};

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& bytes) : b_(bytes) {}
    uint16_t U16(size_t at) const { return static_cast<uint16_t>(b_.at(at) | b_.at(at + 1) << 8); }
    uint32_t U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
    // A string or an ordinal (0xFFFF n); ordinals come back as "#n".
    std::u16string SzOrOrd(size_t& at) const {
        if (U16(at) == 0xFFFF) {
            std::string n = "#" + std::to_string(U16(at + 2));
            at += 4;
            return std::u16string(n.begin(), n.end());
        }
        std::u16string s;
        for (; U16(at) != 0; at += 2) s += static_cast<char16_t>(U16(at));
        at += 2;
        return s;
    }

private:
    const std::vector<uint8_t>& b_;
};

std::u16string Upper(std::u16string s) {
    for (auto& c : s)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    return s;
}

std::vector<Template> ReadDialogs(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Reader r(bytes);
    std::vector<Template> out;
    size_t at = 0;
    while (at + 8 <= bytes.size()) {
        const uint32_t dataSize = r.U32(at), headerSize = r.U32(at + 4);
        size_t p = at + 8;
        const std::u16string type = r.SzOrOrd(p);
        const std::u16string name = r.SzOrOrd(p);
        p = (p + 3) & ~size_t{3};
        const int language = r.U16(p + 6);
        const size_t body = at + headerSize;
        if (type == u"#5") {
            Template t;
            t.name = std::stoi(std::string(name.begin() + 1, name.end()));
            t.language = language;
            t.style = r.U32(body);
            const int count = r.U16(body + 8);
            t.x = static_cast<int16_t>(r.U16(body + 10));
            t.y = static_cast<int16_t>(r.U16(body + 12));
            t.cx = static_cast<int16_t>(r.U16(body + 14));
            t.cy = static_cast<int16_t>(r.U16(body + 16));
            size_t q = body + 18;
            (void)r.SzOrOrd(q);  // menu
            (void)r.SzOrOrd(q);  // class
            t.caption = r.SzOrOrd(q);
            t.pointSize = r.U16(q);
            q += 2;
            t.font = r.SzOrOrd(q);
            for (int i = 0; i < count; ++i) {
                q = (q + 3) & ~size_t{3};
                Item item;
                item.style = r.U32(q);
                item.x = static_cast<int16_t>(r.U16(q + 8));
                item.y = static_cast<int16_t>(r.U16(q + 10));
                item.cx = static_cast<int16_t>(r.U16(q + 12));
                item.cy = static_cast<int16_t>(r.U16(q + 14));
                item.id = static_cast<int16_t>(r.U16(q + 16));
                q += 18;
                std::u16string cls = Upper(r.SzOrOrd(q));
                // Predefined classes may be written as atoms.
                if (cls == u"#128") cls = u"BUTTON";
                if (cls == u"#129") cls = u"EDIT";
                if (cls == u"#130") cls = u"STATIC";
                item.cls = cls;
                item.text = r.SzOrOrd(q);
                q += 2 + r.U16(q);
                t.items.push_back(item);
            }
            out.push_back(t);
        }
        at = (at + headerSize + dataSize + 3) & ~size_t{3};
    }
    return out;
}

const Template* Find(const std::vector<Template>& all, int name) {
    for (const auto& t : all)
        if (t.name == name) return &t;
    return nullptr;
}

void ExpectItems(const Template& t, const std::vector<Item>& expected) {
    ASSERT_EQ(t.items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i) + " id " + std::to_string(expected[i].id));
        EXPECT_EQ(t.items[i].id, expected[i].id);
        EXPECT_TRUE(t.items[i].cls == expected[i].cls);
        EXPECT_TRUE(t.items[i].text == expected[i].text);
        EXPECT_EQ(t.items[i].style, expected[i].style) << std::hex << t.items[i].style;
        EXPECT_EQ((std::vector<int>{t.items[i].x, t.items[i].y, t.items[i].cx, t.items[i].cy}),
                  (std::vector<int>{expected[i].x, expected[i].y, expected[i].cx, expected[i].cy}));
    }
}

constexpr uint32_t kDialogStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;

TEST(DialogTemplates, OpenDialog29005) {
    const auto all = ReadDialogs(TEPHRIX_DIALOGS_RES);
    const Template* t = Find(all, 29005);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->language, 0x0411);
    EXPECT_EQ(t->style, kDialogStyle);
    EXPECT_EQ((std::vector<int>{t->cx, t->cy}), (std::vector<int>{259, 251}));
    EXPECT_TRUE(t->caption == u"火山標高を開く");
    EXPECT_EQ(t->pointSize, 9);
    EXPECT_TRUE(t->font == u"ＭＳ Ｐゴシック");
    ExpectItems(*t, {
                        {29003, u"STATIC", u"地図を選んでください。\nLEM ファイルです。", kChild | WS_GROUP | SS_LEFT,
                         15, 7, 230, 19},
                        {1, u"BUTTON", u"OK", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 148, 225, 51, 14},
                        {2, u"BUTTON", u"ｷｬﾝｾﾙ", kChild | WS_TABSTOP | BS_PUSHBUTTON, 201, 225, 43, 14},
                        {29001, u"STATIC", u"", WS_CHILD | SS_BLACKFRAME, 9, 30, 241, 92},
                        {-1, u"STATIC", u"対象地図一覧", kChild | WS_GROUP | SS_LEFT, 9, 126, 111, 8},
                        {29002, u"SYSLISTVIEW32", u"List1",
                         kChild | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                             LVS_OWNERDRAWFIXED | LVS_NOSORTHEADER,
                         9, 136, 241, 86},
                    });
}

TEST(DialogTemplates, CompositeDialog29006) {
    const auto all = ReadDialogs(TEPHRIX_DIALOGS_RES);
    const Template* t = Find(all, 29006);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->language, 0x0411);
    EXPECT_EQ(t->style, kDialogStyle);
    EXPECT_EQ((std::vector<int>{t->cx, t->cy}), (std::vector<int>{259, 150}));
    EXPECT_TRUE(t->caption == u"火山標高を開く");
    EXPECT_EQ(t->pointSize, 10);
    EXPECT_TRUE(t->font == u"ＭＳ Ｐゴシック");
    ExpectItems(
        *t,
        {
            {1, u"BUTTON", u"OK", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 144, 127, 51, 14},
            {2, u"BUTTON", u"ｷｬﾝｾﾙ", kChild | WS_TABSTOP, 197, 127, 51, 14},
            {-1, u"STATIC", u"５０ｍメッシュ標高データと合成表示できます。", kChild | SS_LEFT | WS_GROUP, 10, 11, 225,
             13},
            {29006, u"BUTTON", u"５０ｍメッシュ標高と合成する", kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 11, 26, 106, 10},
            {29007, u"EDIT", u"", kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 36, 81, 164, 13},
            {29009, u"STATIC", u"合成する圧縮地図 [DCM形式] のファイルを指定してください。",
             kChild | SS_LEFT | WS_GROUP, 37, 70, 192, 8},
            {29008, u"BUTTON", u"参照...", kChild | WS_TABSTOP, 201, 80, 45, 14},
            {29010, u"BUTTON", u"Orolux解説本の５０ｍメッシュを使う.", kChild | BS_AUTORADIOBUTTON | WS_GROUP, 26, 41,
             150, 10},
            {29011, u"BUTTON", u"任意のDCM形式の標高データを使う", kChild | BS_AUTORADIOBUTTON, 27, 55, 129, 10},
            {29012, u"BUTTON",
             u"次回からこのメッセージを隠す.\n[ツール]-[数値地図５ｍメッシュ]-[合成設定]で再度設定できます。",
             kChild | BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP, 11, 101, 238, 19},
        });
}

}  // namespace
