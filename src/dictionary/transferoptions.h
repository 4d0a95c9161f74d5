#pragma once

// The choices of a deck export or import: which parts of decks, cards and knowledge units a
// deck file carries. A plain value record; everything is included by default.
namespace korvo {

struct TransferOptions
{
    bool scoreDataIncluded = true;
    bool deckIdIncluded = true;
    bool cardIdIncluded = true;
    bool creationDateIncluded = true;
    bool updateDateIncluded = true;
};

} // namespace korvo
