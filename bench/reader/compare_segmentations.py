#!/usr/bin/python3
"""Word-level agreement of two segmentations of the same lines (words separated by spaces):
precision, recall and F1 of the first against the second, counting a word as agreed when both
cut it at the same two places. Counted twice: over every word, and over the words with Chinese
characters only (punctuation, numbers and Latin text agree nearly always and would flatter the
figure). Then lists sample lines where the two differ (a fixed choice, the same on every run).

usage: compare_segmentations.py OURS THEIRS [SAMPLES]
"""
import random
import re
import sys

HAN = re.compile("[\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff\U00020000-\U000323af\u3007]")


def spans(words):
    result, position = set(), 0
    for word in words:
        result.add((position, position + len(word), bool(HAN.search(word))))
        position += len(word)
    return result


def main():
    ours_path, theirs_path = sys.argv[1], sys.argv[2]
    samples = int(sys.argv[3]) if len(sys.argv) > 3 else 20
    with open(ours_path, encoding="utf-8") as f:
        ours = f.read().split("\n")
    with open(theirs_path, encoding="utf-8") as f:
        theirs = f.read().split("\n")
    if len(ours) != len(theirs):
        sys.exit("the files have %d and %d lines" % (len(ours), len(theirs)))
    counts = {"every word": [0, 0, 0], "Chinese words": [0, 0, 0]}
    differing, misaligned = [], 0
    for a, b in zip(ours, theirs):
        wa, wb = a.split(), b.split()
        if "".join(wa) != "".join(wb):
            misaligned += 1
            continue
        sa, sb = spans(wa), spans(wb)
        for name, keep in (("every word", lambda s: True), ("Chinese words", lambda s: s[2])):
            xa = {s for s in sa if keep(s)}
            xb = {s for s in sb if keep(s)}
            counts[name][0] += len(xa & xb)
            counts[name][1] += len(xa)
            counts[name][2] += len(xb)
        if sa != sb:
            differing.append((a, b))
    print("lines compared: %d, differing: %d, not the same text: %d"
          % (len(ours) - misaligned, len(differing), misaligned))
    for name, (common, mine, other) in counts.items():
        precision = common / mine if mine else 0
        recall = common / other if other else 0
        f1 = 2 * precision * recall / (precision + recall) if precision + recall else 0
        print("%-14s words %7d / %7d  precision %.4f  recall %.4f  F1 %.4f"
              % (name, mine, other, precision, recall, f1))
    random.seed(20240601)
    for a, b in random.sample(differing, min(samples, len(differing))):
        print("  quillet: %s\n  jieba:   %s\n" % (a, b))


main()
