#include "foundation/markup.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::wstring Nested(int depth) {
    std::wstring doc;
    for (int i = 0; i < depth; ++i) doc += L"<a>";
    for (int i = 0; i < depth; ++i) doc += L"</a>";
    return doc;
}

TEST(MarkupTest, ParsesDocumentsOrNamesTheFault) {
    const struct {
        std::wstring doc;
        bool ok;
        const wchar_t* root;
        const wchar_t* error;
    } cases[] = {
        {L"<a/>", true, L"a", L""},
        {L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<!-- made by hand -->\r\n"
         L"<!DOCTYPE r [<!ENTITY e \"v\">]><r><b>1</b></r>",
         true, L"r", L""},
        {L"  text first <root><![CDATA[<not/> a tag]]></root> and after <x>", true, L"root", L""},
        {L"<a x='>' y=\"/>\">v</a>", true, L"a", L""},
        {L"<a>1</a><b/>", true, L"a", L""},
        {L"< a ></a >", true, L"a", L""},
        {L"<a><b></a>", false, nullptr, L"End tag does not correspond to b"},
        {L"<a><b/>", false, nullptr, L"End tag of a element not found"},
        {L"<a>text", false, nullptr, L"End tag of a element not found"},
        {L"<A></a>", false, nullptr, L"End tag does not correspond to A"},
        {L"<a></a x", false, nullptr, L"End tag not completed for element a"},
        {L"just text", false, nullptr, L"Element tag not found"},
        {L"<!-- c --></a><a/>", false, nullptr, L"Element tag not found"},
        {L"<", false, nullptr, L"Abrupt end within tag"},
        {L"<a><   ", false, nullptr, L"Abrupt end within tag"},
        {L"<'a'>", false, nullptr, L"Tag starts with quote"},
        {L"<!-- never closed", false, nullptr, L"Invalid node"},
        {L"<a><![CDATA[x]></a>", false, nullptr, L"Invalid node"},
        {L"<a", false, nullptr, L"End of tag not found"},
        {L"<a x='>", false, nullptr, L"End of tag not found"},
        {Nested(CMarkup::kMaxDepth), true, L"a", L""},
        {Nested(CMarkup::kMaxDepth + 1), false, nullptr, L"Element a nested too deeply"},
        {Nested(100000), false, nullptr, L"Element a nested too deeply"},
    };
    for (const auto& c : cases) {
        const std::wstring label(c.doc.substr(0, 40));
        CMarkup markup;
        EXPECT_EQ(markup.SetDoc(c.doc), c.ok) << label;
        EXPECT_EQ(markup.GetError(), c.error) << label;
        EXPECT_EQ(markup.GetDoc(), c.doc) << label;
        EXPECT_EQ(markup.FindElem(), c.ok) << label;
        if (c.ok) {
            EXPECT_EQ(markup.GetTagName(), c.root) << label;
        }
    }
}

TEST(MarkupTest, EmptyAndMissingDocumentsHaveNoRoot) {
    CMarkup markup;
    EXPECT_FALSE(markup.FindElem());
    EXPECT_FALSE(markup.FindChildElem());
    EXPECT_FALSE(markup.IntoElem());
    EXPECT_FALSE(markup.OutOfElem());
    EXPECT_EQ(markup.GetTagName(), L"");
    EXPECT_FALSE(markup.SetDoc(nullptr));
    EXPECT_FALSE(markup.SetDoc(L""));
    EXPECT_EQ(markup.GetDoc(), L"");

    ASSERT_TRUE(markup.SetDoc(L"<only/>"));
    EXPECT_TRUE(markup.FindElem());
    EXPECT_EQ(markup.GetData(), L"");
    EXPECT_FALSE(markup.FindChildElem());
}

TEST(MarkupTest, NavigatesLevelsInDocumentOrder) {
    CMarkup markup;
    ASSERT_TRUE(markup.SetDoc(L"<root>\r\n<b>1</b>\r\n<c>2</c>\r\n<d><e>5</e><f/></d>\r\n</root>"));

    // Children of the root, whatever their names.
    std::vector<std::wstring> seen;
    while (markup.FindChildElem()) seen.push_back(markup.GetChildData());
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"1", L"2", L""}));
    EXPECT_EQ(markup.GetTagName(), L"root");

    // Into d (the current child), over its children, and back out.
    ASSERT_TRUE(markup.IntoElem());
    EXPECT_EQ(markup.GetTagName(), L"d");
    ASSERT_TRUE(markup.FindChildElem());
    EXPECT_EQ(markup.GetChildData(), L"5");
    ASSERT_TRUE(markup.IntoElem());
    EXPECT_EQ(markup.GetTagName(), L"e");
    EXPECT_EQ(markup.GetData(), L"5");
    ASSERT_TRUE(markup.FindElem());
    EXPECT_EQ(markup.GetTagName(), L"f");
    EXPECT_FALSE(markup.FindElem());
    EXPECT_EQ(markup.GetTagName(), L"f") << "a failed FindElem moves nothing";
    ASSERT_TRUE(markup.OutOfElem());
    EXPECT_EQ(markup.GetTagName(), L"d");
    ASSERT_TRUE(markup.OutOfElem());
    EXPECT_EQ(markup.GetTagName(), L"root");
    EXPECT_FALSE(markup.OutOfElem());

    // The former current element is now the current child: the walk goes on after it.
    EXPECT_FALSE(markup.FindChildElem());
    EXPECT_FALSE(markup.FindElem()) << "the root has no sibling";

    // Into an element from the top without a current child leaves no current element.
    CMarkup fresh;
    ASSERT_TRUE(fresh.SetDoc(L"<r><x>1</x><y>2</y></r>"));
    ASSERT_TRUE(fresh.FindElem());
    ASSERT_TRUE(fresh.IntoElem());
    EXPECT_EQ(fresh.GetTagName(), L"");
    EXPECT_FALSE(fresh.IntoElem());
    ASSERT_TRUE(fresh.FindElem());
    EXPECT_EQ(fresh.GetTagName(), L"x");
    ASSERT_TRUE(fresh.FindElem());
    EXPECT_EQ(fresh.GetData(), L"2");
}

TEST(MarkupTest, ReadsTextEntitiesCharacterReferencesAndCdata) {
    const struct {
        const wchar_t* content;
        const wchar_t* data;
    } cases[] = {
        {L"a &lt;b&gt; &amp; &apos;c&apos; &quot;d&quot;", L"a <b> & 'c' \"d\""},
        {L"&#233;&#x65E5;&#X41;&#x1F600;", L"\u00e9\u65e5&#X41;\U0001F600"},
        {L"&#0;&#xD800;&#x110000;&#xFFFE;&#;&#x;&#65", L"&#0;&#xD800;&#x110000;&#xFFFE;&#;&#x;&#65"},
        {L"&bogus; & &amp", L"&bogus; & &amp"},
        {L" \r\n <![CDATA[<x>&amp;]]>", L"<x>&amp;"},
        {L"<![CDATA[]]>", L""},
        {L"<![CDATA[x]]> after", L"x"},
        {L"  spaced  ", L"  spaced  "},
    };
    for (const auto& c : cases) {
        CMarkup markup;
        ASSERT_TRUE(markup.SetDoc(std::wstring(L"<r><v>") + c.content + L"</v></r>")) << c.content;
        ASSERT_TRUE(markup.FindChildElem());
        EXPECT_EQ(markup.GetChildData(), c.data) << c.content;
    }
}

TEST(MarkupTest, BuildsOneElementPerLine) {
    CMarkup markup;
    ASSERT_TRUE(markup.AddElem(L"Exclusion"));
    EXPECT_EQ(markup.GetDoc(), L"<Exclusion/>\r\n");
    EXPECT_FALSE(markup.AddElem(L"second")) << "one root only";

    ASSERT_TRUE(markup.AddChildElem(L"ExclusionInfo"));
    ASSERT_TRUE(markup.IntoElem());
    ASSERT_TRUE(markup.AddChildElem(L"DriverName", L"A<B & C>"));
    ASSERT_TRUE(markup.AddChildElem(L"Hash", L""));
    ASSERT_TRUE(markup.AddChildElem(L"Quote", L"it's \"x\""));
    ASSERT_TRUE(markup.OutOfElem());
    ASSERT_TRUE(markup.AddChildElem(L"ExclusionInfo", L"2"));
    EXPECT_EQ(markup.GetDoc(),
              L"<Exclusion>\r\n"
              L"<ExclusionInfo>\r\n"
              L"<DriverName>A&lt;B &amp; C&gt;</DriverName>\r\n"
              L"<Hash/>\r\n"
              L"<Quote>it's \"x\"</Quote>\r\n"
              L"</ExclusionInfo>\r\n"
              L"<ExclusionInfo>2</ExclusionInfo>\r\n"
              L"</Exclusion>\r\n");

    CMarkup reread;
    ASSERT_TRUE(reread.SetDoc(markup.GetDoc()));
    ASSERT_TRUE(reread.FindChildElem());
    ASSERT_TRUE(reread.IntoElem());
    std::vector<std::wstring> values;
    while (reread.FindChildElem()) values.push_back(reread.GetTagName() + L"=" + reread.GetChildData());
    EXPECT_EQ(values, (std::vector<std::wstring>{L"ExclusionInfo=A<B & C>", L"ExclusionInfo=",
                                                 L"ExclusionInfo=it's \"x\""}));
}

TEST(MarkupTest, IndexFollowsInsertionsWithoutReparsing) {
    CMarkup markup;
    ASSERT_TRUE(markup.SetDoc(L"<r>\r\n<a>1</a>\r\n<c>3</c>\r\n</r>\r\n"));
    ASSERT_TRUE(markup.FindElem());
    ASSERT_TRUE(markup.FindChildElem());
    ASSERT_TRUE(markup.AddChildElem(L"b", L"2"));
    EXPECT_EQ(markup.GetDoc(), L"<r>\r\n<a>1</a>\r\n<b>2</b>\r\n<c>3</c>\r\n</r>\r\n");
    ASSERT_TRUE(markup.FindChildElem());
    EXPECT_EQ(markup.GetChildData(), L"3") << "the inserted element links to its old next sibling";
    ASSERT_TRUE(markup.IntoElem());
    ASSERT_TRUE(markup.AddElem(L"d", L"4"));
    ASSERT_TRUE(markup.AddChildElem(L"inner", L"5"));
    ASSERT_TRUE(markup.IntoElem());
    EXPECT_EQ(markup.GetTagName(), L"inner");
    EXPECT_EQ(markup.GetData(), L"5");
    EXPECT_EQ(markup.GetDoc(), L"<r>\r\n<a>1</a>\r\n<b>2</b>\r\n<c>3</c>\r\n<d>4<inner>5</inner>\r\n</d>\r\n</r>\r\n");

    // A parent that has no content at all gets a line break before its first child.
    ASSERT_TRUE(markup.SetDoc(L"<r></r>"));
    ASSERT_TRUE(markup.FindElem());
    ASSERT_TRUE(markup.AddChildElem(L"a", L"1"));
    ASSERT_TRUE(markup.AddChildElem(L"b"));
    EXPECT_EQ(markup.GetDoc(), L"<r>\r\n<a>1</a>\r\n<b/>\r\n</r>");
    EXPECT_EQ(markup.GetChildData(), L"");
    ASSERT_TRUE(markup.IntoElem());
    ASSERT_TRUE(markup.AddChildElem(L"deep", L"x"));
    EXPECT_EQ(markup.GetDoc(), L"<r>\r\n<a>1</a>\r\n<b>\r\n<deep>x</deep>\r\n</b>\r\n</r>");
    EXPECT_EQ(markup.GetChildData(), L"x");
    ASSERT_TRUE(markup.OutOfElem());
    ASSERT_TRUE(markup.AddChildElem(L"c", L"3"));
    EXPECT_EQ(markup.GetDoc(), L"<r>\r\n<a>1</a>\r\n<b>\r\n<deep>x</deep>\r\n</b>\r\n<c>3</c>\r\n</r>");
    CMarkup reread;
    ASSERT_TRUE(reread.SetDoc(markup.GetDoc()));
}

TEST(MarkupTest, WritesEveryCharacterXmlAllowsAndDropsTheRest) {
    const struct {
        std::wstring value;
        std::wstring stored;  // what reads back
    } cases[] = {
        {L"Ger\u00e4t f\u00fcr USB", L"Ger\u00e4t f\u00fcr USB"},
        {L"C:\\Users\\J\u00fcrgen\\AppData\\oem12.inf", L"C:\\Users\\J\u00fcrgen\\AppData\\oem12.inf"},
        {L"\u30c7\u30d0\u30a4\u30b9 \u540d\u524d", L"\u30c7\u30d0\u30a4\u30b9 \u540d\u524d"},
        {L"face \U0001F600 pair", L"face \U0001F600 pair"},
        {L"a<b&c>d 'q' \"dq\"", L"a<b&c>d 'q' \"dq\""},
        {L"&lt; stays literal", L"&lt; stays literal"},
        {std::wstring(L"ctl\x01\x08\x0B\x0C\x1F!"), L"ctl!"},
        {std::wstring(L"lone \xD800 and \xDC00 and \xFFFE\xFFFF"), L"lone  and  and "},
        {L"tab\there", L"tab\there"},
        {L"del\x7F", L""},
    };
    for (const auto& c : cases) {
        CMarkup markup;
        ASSERT_TRUE(markup.AddElem(L"r"));
        ASSERT_TRUE(markup.AddChildElem(L"v", c.value));
        EXPECT_EQ(markup.GetChildData(), c.stored);
        CMarkup reread;
        ASSERT_TRUE(reread.SetDoc(markup.GetDoc())) << markup.GetError();
        ASSERT_TRUE(reread.FindChildElem());
        EXPECT_EQ(reread.GetChildData(), c.stored);
    }

    CMarkup markup;
    ASSERT_TRUE(markup.AddElem(L"r"));
    for (const wchar_t* refused : {L"del\x7F", L"", L"two words", L"a<b", L"a/b", L"\x01"}) {
        EXPECT_FALSE(markup.AddChildElem(refused, L"x")) << refused;
    }
    EXPECT_TRUE(markup.AddChildElem(L"\u540d\u524d", L"ok"));
    EXPECT_EQ(markup.GetDoc(), L"<r>\r\n<\u540d\u524d>ok</\u540d\u524d>\r\n</r>\r\n");
}

// A fixed pseudo-random source, so every run tries the same documents.
class Mutator {
public:
    explicit Mutator(uint32_t seed) : state_(seed) {}
    uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    size_t Below(size_t bound) { return bound == 0 ? 0 : Next() % bound; }

    std::wstring Mutate(std::wstring doc) {
        static const wchar_t* kPieces[] = {L"<",  L">",   L"/",     L"</",       L"<!--", L"-->", L"<![CDATA[",
                                           L"]]>", L"<?", L"?>",   L"\"",       L"'",    L"&",   L"&#x",
                                           L";",  L"<a>", L"</a>", L"<b/>",     L"[",    L"]",   L"\xD800",
                                           L"=",  L" ",   L"\r\n", L"<!DOCTYPE", L"\u00e9"};
        const int steps = 1 + static_cast<int>(Below(4));
        for (int s = 0; s < steps; ++s) {
            const size_t at = Below(doc.size() + 1);
            switch (Below(5)) {
                case 0:
                    doc.insert(at, kPieces[Below(std::size(kPieces))]);
                    break;
                case 1:
                    if (!doc.empty()) doc.erase(at, 1 + Below(8));
                    break;
                case 2:
                    if (at < doc.size()) doc[at] = static_cast<wchar_t>(1 + Below(0x7F));
                    break;
                case 3:
                    doc.resize(at);
                    break;
                default: {
                    const size_t from = Below(doc.size() + 1);
                    doc.insert(at, doc.substr(from, Below(32)));
                }
            }
        }
        return doc;
    }

private:
    uint32_t state_;
};

// Walks the whole tree through the public navigation; the step bound catches a
// cycle in the index.
int WalkAll(CMarkup& markup, int& steps) {
    int count = 0;
    while (markup.FindElem() && ++steps < 100000) {
        ++count;
        markup.GetTagName();
        markup.GetData();
        while (markup.FindChildElem() && ++steps < 100000) markup.GetChildData();
        if (markup.IntoElem()) {
            count += WalkAll(markup, steps);
            markup.OutOfElem();
        }
    }
    return count;
}

TEST(MarkupTest, MutatedDocumentsNeverBreakTheParser) {
    const std::wstring seeds[] = {
        L"<?xml version=\"1.0\"?>\r\n<DriverList><Driver><Name>A &amp; B</Name><Id>PCI\\VEN_1</Id>"
        L"</Driver><Driver><Name><![CDATA[x<y]]></Name><Empty/></Driver></DriverList>",
        L"<!-- c --><!DOCTYPE d [<!ELEMENT d ANY>]><d a='1' b=\"x>y\"><e>&#233;</e>\r\n<f/></d>",
        L"<r>\r\n<a>1</a>\r\n<b>\r\n<c>2</c>\r\n</b>\r\n</r>\r\n",
        Nested(40),
    };
    Mutator random(0x5EED1234u);
    int parsed = 0;
    int failed = 0;
    for (int round = 0; round < 6000; ++round) {
        const std::wstring doc = random.Mutate(seeds[round % std::size(seeds)]);
        CMarkup markup;
        const bool ok = markup.SetDoc(doc);
        ASSERT_EQ(markup.GetDoc(), doc);
        if (!ok) {
            ++failed;
            EXPECT_FALSE(markup.FindElem());
            EXPECT_FALSE(doc.empty() ? false : markup.GetError().empty()) << round;
            continue;
        }
        ++parsed;
        int steps = 0;
        EXPECT_GE(WalkAll(markup, steps), 1);
        ASSERT_LT(steps, 100000) << "navigation does not end, round " << round;

        // Appending to whatever parsed keeps a document that parses again.
        CMarkup grow;
        ASSERT_TRUE(grow.SetDoc(doc));
        ASSERT_TRUE(grow.FindElem());
        if (grow.AddChildElem(L"added", L"v<&>\u00e9")) {
            CMarkup again;
            EXPECT_TRUE(again.SetDoc(grow.GetDoc())) << round << ": " << again.GetError();
        }
    }
    EXPECT_GT(parsed, 100);
    EXPECT_GT(failed, 100);
}

}  // namespace
