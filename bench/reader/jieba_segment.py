#!/usr/bin/python3
"""Segments each input file with jieba (default mode: the dictionary's best path with its hidden
Markov model for unknown words), one output line per input line, words separated by spaces, and
prints the throughput in MB of UTF-8 per second (best of five rounds; loading jieba's dictionary
is timed apart).

usage: jieba_segment.py DIR   (reads DIR/sentences.txt and DIR/text100k.txt, writes *.jieba.txt)
"""
import sys
import time

import jieba


def words_by_line(text):
    return "\n".join(" ".join(w for w in jieba.cut(line) if w.strip()) for line in text.split("\n"))


def best_time(work, rounds=5):
    best = None
    for _ in range(rounds):
        start = time.perf_counter()
        work()
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    folder = sys.argv[1]
    start = time.perf_counter()
    jieba.setLogLevel(60)
    jieba.initialize()
    print("jieba %s: dictionary loaded in %d ms" % (jieba.__version__,
                                                     (time.perf_counter() - start) * 1000))
    with open(folder + "/sentences.txt", encoding="utf-8") as f:
        sentences = f.read().rstrip("\n").split("\n")
    with open(folder + "/text100k.txt", encoding="utf-8") as f:
        text = f.read()
    sentence_bytes = sum(len(s.encode("utf-8")) for s in sentences)
    text_bytes = len(text.encode("utf-8"))
    sentence_time = best_time(lambda: [list(jieba.cut(s)) for s in sentences])
    text_time = best_time(lambda: list(jieba.cut(text)))
    print("%-28s %8s %10s %10s %9s" % ("input", "chars", "UTF-8 MB", "seconds", "MB/s"))
    print("%-28s %8d %10.3f %10.4f %9.2f" % ("24,026 sentences, one by one",
                                             sum(len(s) for s in sentences), sentence_bytes / 1e6,
                                             sentence_time, sentence_bytes / 1e6 / sentence_time))
    print("%-28s %8d %10.3f %10.4f %9.2f" % ("one text of 100,000 chars", len(text),
                                             text_bytes / 1e6, text_time,
                                             text_bytes / 1e6 / text_time))
    with open(folder + "/sentences.jieba.txt", "w", encoding="utf-8") as f:
        f.write("\n".join(words_by_line(s) for s in sentences) + "\n")
    with open(folder + "/text100k.jieba.txt", "w", encoding="utf-8") as f:
        f.write(words_by_line(text))


main()
