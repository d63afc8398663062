#pragma once
// The notices the operator keeps in the database: the price list, the promotion codes, the rotating
// advert and the filing-service offer.
class QTimer;

namespace ds::search {
class Fdomain;
}

namespace ds::lists {

void showpricelist_Click(search::Fdomain& form);
void showpromlist_Click(search::Fdomain& form);
// The selected promotion: its code into lpromtext, lpromlist_bak kept on the same entry.
void lpromlist_Click(search::Fdomain& form);
void goprom_Click(search::Fdomain& form);
// One rotation of the advert. A failing query stops the rotation until the program is restarted.
void Timer1_Timer(search::Fdomain& form);
void ladtext_Click(search::Fdomain& form);
void Pushshowbacklist_Click(search::Fdomain& form);

// The advert's draw in [0, 1); tests replace it to pick a record. nullptr restores the generator.
void SetAdvertDraw(double (*draw)());

}  // namespace ds::lists
