// The spell cards of characters 12 to 15: a descriptor and the windows of each card.
#include "game/battle/spell_card.h"

namespace veyrdale::spell_card {

// Until each card's behaviour is written it runs the common frame with the default values, so
// that a declared card ends.
const CardFrame kCardsOfCharacters12To15[8] = {};

}  // namespace veyrdale::spell_card
