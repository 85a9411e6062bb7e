// The spell cards of characters 4 to 7: a descriptor and the windows of each card.
#include "game/battle/spell_card.h"

namespace veyrdale::spell_card {

// Until each card's behaviour is written it runs the common frame with the default values, so
// that a declared card ends.
const CardFrame kCardsOfCharacters4To7[8] = {};

}  // namespace veyrdale::spell_card
