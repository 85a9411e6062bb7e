// The spell cards of characters 8 to 11: a descriptor and the windows of each card.
#include "game/battle/spell_card.h"

namespace veyrdale::spell_card {

// Until each card's behaviour is written it runs the common frame with the default values, so
// that a declared card ends.
const CardFrame kCardsOfCharacters8To11[8] = {};

}  // namespace veyrdale::spell_card
