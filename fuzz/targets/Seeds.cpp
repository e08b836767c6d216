// The seed inputs of the fuzz targets, made with the program's own writers
// so that they follow the formats as the program has them.
#include "fuzz/targets/FuzzTargets.h"

#include "io/DigitKey.h"
#include "io/DrawText.h"
#include "io/Gbk.h"
#include "core/Hao.h"
#include "tests/support/ReferenceEngine.h"
#include "io/SettingsFile.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "core/Workspace.h"

namespace VexelFuzz {

namespace {

class Keep : public TSearchSink
{
public:
    explicit Keep(TVexelRegMgr &into) : m_into(into) {}
    void Progress(qint64) override {}
    void Found(std::unique_ptr<TVexelReg> pattern, qint64) override
    {
        if (m_into.Count() < 6) {
            pattern->ShortestOrder();
            m_into.Add(pattern.release());
        }
    }

private:
    TVexelRegMgr &m_into;
};

TCodes DrawsOf(const QList<qint32> &numbers)
{
    TCodes draws;
    RebuildDrawList(draws, numbers);
    return draws;
}

// A workspace as the program saves it after importing `numbers` and
// searching them with `settings`.
QByteArray SearchedWorkspace(const QList<qint32> &numbers, const TRegOptions &settings)
{
    const TCodes chart = DrawsOf(numbers);
    TVexelRegMgr patterns(nullptr);
    patterns.Draws().Assign(chart);
    Keep keep(patterns);
    const std::atomic<bool> going{false};
    RunReferenceSearch(chart, settings, keep, going);
    return ::Workspace::Build(chart, patterns);
}

QByteArray SettingsBytes(std::initializer_list<int> b)
{
    QByteArray out;
    for (int v : b)
        out += char(v);
    return out;
}

} // namespace

std::vector<Seed> Seeds(const QByteArray &sampleHistory)
{
    std::vector<Seed> seeds;
    const auto add = [&seeds](const char *target, const char *name, const QByteArray &bytes) {
        seeds.push_back({target, name, bytes});
    };
    const QList<QByteArray> sampleLines = sampleHistory.split('\n');
    QByteArray head;
    for (int i = 0; i < 24 && i < sampleLines.size(); ++i)
        head += sampleLines[i] + '\n';
    const QList<qint32> numbers = ParseDrawText(head);

    // Draw texts.
    add("drawtext", "sample-head", head);
    add("drawtext", "line-ends", "8558511 04101 2004-05-21\r\n4176936\r0381295 x\n\n123456\n   12345\r\n");
    add("drawtext", "indented", "\t1234567,any text\n+123456\n  0000000  \n");
    add("drawtext", "bad-slice", "1234567\n12 34567\n");
    add("drawtext", "nul-end", QByteArray("7654321\n", 8) + QByteArray(1, '\0') + "zzzzzzz\n");
    add("drawtext", "gbk", EncodeGbk(QStringLiteral("1234567 第04101期 开奖号码\r\n7654321 二〇〇四年\r\n")));

    // Data service replies.
    QByteArray reply = EncodeGbk(QStringLiteral("开奖数据下载成功")) + "\r\n";
    for (int i = 0; i < 8 && i < numbers.size(); ++i) {
        const QString issue = QStringLiteral("%1").arg(4101 + i);
        reply += EncodeGbk(issue + QStringLiteral("#2004-05-2%1#").arg(i) + EncodeDrawDigits(issue, FormatDrawNumber(numbers[i])))
                 + "\r\n";
    }
    add("download", "reply", reply);
    add("download", "empty-history", EncodeGbk(QStringLiteral("开奖数据下载成功")) + "\r\n\r\n");
    add("download", "refused", EncodeGbk(QStringLiteral("会员名或密码错误")) + "\r\n");
    add("download", "odd-fields", EncodeGbk(QStringLiteral("状态：成功\n  123456789##x#") + EncodeDrawDigits("123456789", "0123456")
                                              + QStringLiteral("#more\n-5#-#+123456\n")));

    // Settings files.
    TRegOptions options;
    options.userName = QStringLiteral("会员 name");
    options.userPW = QStringLiteral("pa%ss\t#密码");
    options.RefTailChk = false;
    options.SecCountSe = 9;
    add("settings", "defaults", OptionsFileBytes(QByteArray(), TRegOptions()));
    add("settings", "member", OptionsFileBytes(QByteArray(), options));
    add("settings", "other-sections",
          OptionsFileBytes("\xEF\xBB\xBF[Window]\r\nLeft=10\r\n\r\n[tregoptions]\nLinedPtMinSe=x\nuserName=\n[Other]\nk=v", options));
    add("settings", "hand-edited", "[TRegOptions]\nLinedDistMaxSe = -2147483648\nInterMinSe=+7\nInterMinSe=8\n"
                                     "SecCountSe=99999999999\nuserPW=%zz%4\nRefSumChk=2\n");

    // Workspaces.
    TVexelRegMgr none(nullptr);
    add("workspace", "empty-everything", ::Workspace::Build(TCodes(), none));
    TRegOptions small;
    small.LinedDistMinSe = 1;
    small.LinedDistMaxSe = 3;
    small.LinedPtMinSe = 3;
    small.LinedPtMaxSe = 4;
    small.SecCountSe = 3;
    small.MaxYOfSecSe = 2;
    const QByteArray searched = SearchedWorkspace(numbers, small);
    add("workspace", "searched", searched);
    add("workspace", "truncated", searched.left(searched.size() * 2 / 3));
    {
        TVexelRegMgr odd(nullptr);
        auto *p = odd.Add(new TVexelReg);
        for (const TPoint pt : {TPoint{7, -1}, TPoint{0, -9}, TPoint{3, -4}, TPoint{5, 0}})
            p->Line(0).Add(pt);
        p->AddStep({7}, 30);
        p->AddStep({-3}, 1);
        p->SetTargetMask(31);
        p->SetKind(0);
        p->SetInterval(-2);
        odd.Add(new TVexelReg);
        // The farthest points a file can hold.
        auto *far = odd.Add(new TVexelReg);
        for (const TPoint pt : {TPoint{0, 2147483647}, TPoint{-2147483647 - 1, -2147483647 - 1}, TPoint{7, 0}})
            far->Line(0).Add(pt);
        far->AddStep({5}, 6);
        const QByteArray oddBytes = ::Workspace::Build(DrawsOf(numbers.mid(0, 3)), odd);
        add("workspace", "odd-patterns", oddBytes);
        add("search", "odd-patterns", SettingsBytes({2, 1, 3, 1, 2, 2, 3, 4, 0, 2}) + oddBytes);
    }

    // Search inputs: settings bytes, then a workspace.
    add("search", "two-point", SettingsBytes({2, 1, 3, 1, 2, 2, 3, 4, 0, 2}) + searched);
    add("search", "sum-column", SettingsBytes({1, 2, 4, 0, 3, 1, 4, 3, 1, 1}) + searched);
    add("search", "four-digit", SettingsBytes({2, 2, 2, 2, 2, 3, 4, 2, 2, 0x36}) + searched);
    // One settings field at a time at the ends of its 32 bits.
    static const char *const extremeNames[] = {"extreme-distance", "extreme-points", "extreme-interval-min",
                                               "extreme-interval-max", "extreme-nearest", "extreme-steps",
                                               "extreme-target"};
    for (int field = 0; field < 7; ++field)
        add("search", extremeNames[field],
            SettingsBytes({2, 1, 3, 1, 2, 2, field % 2, field % 2 ? 0 : 5, field * 4, 0x80}) + searched.left(800));
    add("search", "no-masks", SettingsBytes({0, 0, 0, 0, 0, 0, 0, 0, 3, 0}) + searched.left(200));
    return seeds;
}

} // namespace VexelFuzz
