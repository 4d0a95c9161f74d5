#include "dictionaryfixture.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariantList>

#include <algorithm>

namespace {

struct Unit
{
    int id;
    const char* simplified;
    const char* traditional;
    const char* pinyin;
    const char* merged;
    const char* mergedNoTones;
    const char* definition;
};

const Unit Units[] = {
    {1, "中", "中", "zhong1", "zhong1", "zhong", "middle/center/China"},
    {2, "中国", "中國", "zhong1 guo2", "zhong1guo2", "zhongguo", "China/Middle Kingdom"},
    {3, "猫", "貓", "mao1", "mao1", "mao", "cat/CL:隻|只[zhi1]"},
    {4, "类别", "類別", "lei4 bie2", "lei4bie2", "leibie", "category/classification"},
    {5, "黑猫", "黑貓", "hei1 mao1", "hei1mao1", "heimao", "black cat"},
    {6, "好", "好", "hao3", "hao3", "hao", "good/well"},
    {7, "你好", "你好", "ni3 hao3", "ni3hao3", "nihao", "hello/hi"},
    {8, "好", "好", "hao4", "hao4", "hao", "to be fond of"},
    {9, "狗", "狗", "gou3", "gou3", "gou", "dog"},
    {10, "热狗摊", "熱狗攤", "re4 gou3 tan1", "re4gou3tan1", "regoutan", "dog/hot dog stand"},
    {11, "绿", "綠", "lu:4", "lu:4", "lu:", "green"},
    {12, "我是", "我是", "wo3 shi4", "wo3shi4", "woshi", "I'm/I am"},
    {13, "别", "別", "bie2", "bie2", "bie", "don't/do not"},
    {14, "钥匙", "鑰匙", "yao4 shi5", "yao4shi5", "yaoshi", "key"},
    {15, "匙", "匙", "shi2", "shi2", "shi", "spoon"},
    {16, "妈", "媽", "ma1", "ma1", "ma", "mother/Mom"},
    {17, "奥布赖恩", "奧布賴恩", "Ao4 bu4 lai4 en1", "Ao4bu4lai4en1", "Aobulaien",
     "O'Brien (name)"},
    {18, "引号", "引號", "yin3 hao4", "yin3hao4", "yinhao", "quotation mark \"/quote"},
    {19, "卡拉OK", "卡拉OK", "ka3 la1 O K", "ka3la1OK", "kalaOK", "karaoke"},
    {20, "中心", "中心", "zhong1 xin1", "zhong1xin1", "zhongxin", "center/heart/core"},
    {21, "A'梦", "A\"夢", "A meng4", "Ameng4", "Ameng", "a dream with quotes"},
    {22, "媽", "媽", "ma1", "ma1", "ma", "mother (traditional only row)"},
    {23, "100%", "100%", "bai3 fen1 zhi1 bai3", "bai3fen1zhi1bai3", "baifenzhibai",
     "100 percent/fully_"},
    // The KELVIN SIGN lower-cases to an ASCII "k".
    {24, "开", "開", "kai1", "kai1", "kai", "kelvin \u212A/to open"},
};

struct Character
{
    int id;
    const char* character;
    int radicalId;
    int strokeCount;
    double frequency;
    int rank;
    const char* partIds;
    const char* simplified;
    const char* traditional;
};

// revertPartIds is derived from partIds.
const Character Characters[] = {
    {1, "中", 2, 4, 1000, 1, "2,3", "", ""},
    {2, "国", 31, 8, 800, 2, "31,9", "", "國"},
    {3, "好", 38, 6, 900, 3, "38,40", "", ""},
    {4, "你", 9, 7, 850, 4, "9,41,42", "", ""},
    {5, "猫", 94, 11, 100, 50, "94,45,46", "", "貓"},
    {6, "狗", 94, 8, 90, 60, "94,47,3", "", ""},
    {7, "妈", 38, 6, 300, 20, "38,48", "", "媽"},
    {8, "媽", 38, 13, 10, 900, "38,49", "妈", ""},
    {9, "心", 61, 4, 400, 10, "61", "", ""},
    // The ending "7,40" family for same-end draws: parts read from the end.
    {20, "甲", 102, 5, 50, 100, "12,40,7", "", ""},
    {21, "乙", 103, 5, 40, 110, "3,40,7", "", ""},   // 7,40,3: same end
    {22, "丙", 104, 5, 30, 120, "9,3,40,7", "", ""}, // 7,40,3,9: same end
    {23, "丁", 105, 5, 20, 130, "40,7", "", ""},     // 7,40: nothing after, no match
    {24, "戊", 106, 5, 10, 140, "3,41,7", "", ""},   // 7,41,3: different
    {25, "己", 107, 5, 5, 25000, "5,40,7", "", ""},  // same end but unranked
    {26, "庚", 108, 5, 5, 150, "5,40,7", "", "庚"},  // same end, has a traditional form
    {27, "狐", 94, 8, 5, 160, "94,50", "", ""},
    {28, "独", 94, 9, 5, 170, "94,51", "", "獨"},
    {29, "狼", 94, 10, 5, 19999, "94,52", "", ""},
    {30, "狸", 94, 10, 5, 20000, "94,53", "", ""},
    {31, "犭", 94, 3, 5, 200, "94", "", ""},
};

} // namespace

bool createFixtureDictionary(const QString& path)
{
    const QString name = QStringLiteral("fixture-writer");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            return false;
        QSqlQuery query(db);
        auto run = [&](const QString& statement) {
            if (!query.exec(statement)) {
                qWarning("fixture: %s: %s", qPrintable(statement),
                         qPrintable(query.lastError().text()));
                ok = false;
            }
        };
        run("CREATE TABLE KnowledgeUnits (id INTEGER PRIMARY KEY, simplified TEXT NOT NULL, "
            "traditional TEXT NOT NULL, pinyin TEXT NOT NULL, pinyinMerged TEXT NOT NULL, "
            "pinyinMergedNoTones TEXT NOT NULL, definition TEXT NOT NULL, variants TEXT NOT NULL "
            "DEFAULT '')");
        run("CREATE TABLE Characters (id INTEGER PRIMARY KEY, character TEXT NOT NULL, "
            "radicalId INTEGER NOT NULL, strokeCount INTEGER NOT NULL, frequency REAL NOT NULL, "
            "rank INTEGER NOT NULL, partIds TEXT NOT NULL, revertPartIds TEXT NOT NULL, "
            "hskLevel INTEGER NOT NULL, simplified TEXT NOT NULL, traditional TEXT NOT NULL)");
        run("CREATE TABLE DecompositionParts (id INTEGER PRIMARY KEY, character TEXT NOT NULL)");
        run("CREATE TABLE Bigrams (id INTEGER PRIMARY KEY, simplified TEXT NOT NULL, "
            "frequency REAL NOT NULL)");
        run("CREATE TABLE Radicals (id INTEGER PRIMARY KEY, simplified TEXT NOT NULL, "
            "traditional TEXT NOT NULL, pinyin TEXT NOT NULL, pinyinMerged TEXT NOT NULL, "
            "pinyinMergedNoTones TEXT NOT NULL, definition TEXT NOT NULL, variants TEXT NOT NULL, "
            "strokeCount INTEGER NOT NULL)");
        run("CREATE TABLE Sentences (id INTEGER PRIMARY KEY, simplified TEXT NOT NULL, "
            "traditional TEXT NOT NULL, english TEXT NOT NULL, characterFrequency REAL NOT NULL, "
            "highestCharacterRank INTEGER NOT NULL, attribution TEXT NOT NULL)");

        db.transaction();
        query.prepare(
            "INSERT INTO KnowledgeUnits (id, simplified, traditional, pinyin, "
            "pinyinMerged, pinyinMergedNoTones, definition) VALUES (?, ?, ?, ?, ?, ?, ?)");
        auto insertUnit = [&](const QVariantList& values) {
            for (int i = 0; i < values.size(); ++i)
                query.bindValue(i, values.at(i));
            if (!query.exec())
                ok = false;
        };
        for (const Unit& u : Units) {
            insertUnit({u.id, QString::fromUtf8(u.simplified), QString::fromUtf8(u.traditional),
                        QString::fromUtf8(u.pinyin), QString::fromUtf8(u.merged),
                        QString::fromUtf8(u.mergedNoTones), QString::fromUtf8(u.definition)});
        }
        for (int id = 1001; id <= 2900; ++id) {
            const QString text = QStringLiteral("填%1").arg(id);
            insertUnit(
                {id, text, text, "tian2", "tian2", "tian", QStringLiteral("filler %1").arg(id)});
        }

        query.prepare("INSERT INTO Characters VALUES (?, ?, ?, ?, ?, ?, ?, ?, 1, ?, ?)");
        for (const Character& c : Characters) {
            const QString parts = QString::fromUtf8(c.partIds);
            QStringList reverted = parts.split(',');
            std::reverse(reverted.begin(), reverted.end());
            const QVariantList values{c.id,
                                      QString::fromUtf8(c.character),
                                      c.radicalId,
                                      c.strokeCount,
                                      c.frequency,
                                      c.rank,
                                      parts,
                                      reverted.join(','),
                                      QString::fromUtf8(c.simplified),
                                      QString::fromUtf8(c.traditional)};
            for (int i = 0; i < values.size(); ++i)
                query.bindValue(i, values.at(i));
            if (!query.exec())
                ok = false;
        }

        run("INSERT INTO Bigrams (simplified, frequency) VALUES ('中国', 0.01), ('你好', 0.005), "
            "('中心', 0.000001), ('热狗', 0.00002)");
        run("INSERT INTO Radicals VALUES (7, '讠', '言', 'yan2', 'yan2', 'yan', 'speech', '訁', "
            "2), "
            "(38, '女', '女', 'nu:3', 'nu:3', 'nu:', 'woman', '', 3), "
            "(94, '犭', '犬', 'quan3', 'quan3', 'quan', 'dog', '犭', 3)");
        run("INSERT INTO DecompositionParts (id, character) VALUES (1, '一'), (2, '口'), "
            "(3, '丨'), (4, '女'), (5, '子')");
        run("INSERT INTO Sentences VALUES "
            "(1, '你好，世界。', '你好，世界。', 'Hello, world.', 0.5, 300, ''), "
            "(2, '你好吗？', '你好嗎？', 'How are you?', 0.9, 20, ''), "
            "(3, '他说你好。', '他說你好。', 'He says hello.', 0.4, 500, ''), "
            "(4, '你好！', '你好！', 'Hi!', 0.95, 10, ''), "
            "(5, '老师你好。', '老師你好。', 'Hello, teacher.', 0.3, 700, ''), "
            "(6, '你好啊。', '你好啊。', 'Hello there.', 0.7, 100, ''), "
            "(7, '我找不到钥匙。', '我找不到鑰匙。', 'I cannot find the key.', 0.2, 800, ''), "
            "(8, '他说''不''。', '他說\"不\"。', 'He said \"no\".', 0.6, 50, '')");
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}
