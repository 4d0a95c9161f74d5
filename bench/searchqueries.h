#pragma once

// The fixed query list of the search benchmark, also used by the test that proves the fast
// search path returns what the plain statements return. Types are Dictionary::TextType values.
struct BenchmarkQuery
{
    int type;
    const char* text;
};

inline const BenchmarkQuery BenchmarkQueries[] = {
    // Simplified characters: single common and rare characters, words, idioms.
    {0, "中"},
    {0, "好"},
    {0, "人"},
    {0, "的"},
    {0, "我"},
    {0, "爱"},
    {0, "中国"},
    {0, "你好"},
    {0, "学习"},
    {0, "电脑"},
    {0, "图书馆"},
    {0, "自行车"},
    {0, "一路平安"},
    {0, "不好意思"},
    {0, "龘"},
    {0, "饕餮"},
    // Traditional characters.
    {1, "國"},
    {1, "學"},
    {1, "愛"},
    {1, "們"},
    {1, "電腦"},
    {1, "圖書館"},
    {1, "謝謝"},
    {1, "飛機"},
    {1, "臺灣"},
    {1, "龍"},
    // Pinyin with tones, numbered or marked, short and long.
    {3, "zhong1 guo2"},
    {3, "ni3 hao3"},
    {3, "ma1"},
    {3, "shi4"},
    {3, "de5"},
    {3, "xue2 xi2"},
    {3, "tu2 shu1 guan3"},
    {3, "yi1 lu4 ping2 an1"},
    {3, "lu:4"},
    {3, "nu:3 ren2"},
    {3, "Zhōngguó"},
    {3, "hǎo"},
    {3, "bu4 hao3 yi4 si5"},
    // Pinyin without tones.
    {4, "zhongguo"},
    {4, "nihao"},
    {4, "ma"},
    {4, "shi"},
    {4, "de"},
    {4, "xuexi"},
    {4, "tushuguan"},
    {4, "yilupingan"},
    {4, "a"},
    {4, "zhuang"},
    {4, "xiexie"},
    {4, "dianhua"},
    // English words and phrases, common and rare.
    {5, "cat"},
    {5, "dog"},
    {5, "water"},
    {5, "to eat"},
    {5, "good"},
    {5, "computer"},
    {5, "library"},
    {5, "bicycle"},
    {5, "thank you"},
    {5, "I'm"},
    {5, "don't"},
    {5, "black cat"},
    {5, "to go"},
    {5, "serendipity"},
    {5, "photosynthesis"},
    {5, "hello"},
    {5, "the"},
};
