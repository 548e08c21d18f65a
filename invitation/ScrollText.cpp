// The invitation's words. Their counts (829 characters, 234 of them blanks) are checked by the
// invitation's tests.
#include "invitation/ScrollText.h"

namespace vantor::invitation {

const char* const scrollText =
    "                                       "  // 39 blanks
    "Welcome to KESTU09, the summer party of the year!    "
    "Come and celebrate with us on Saturday 18 July 2009 from 4 pm until the sun comes "
    "up again, at Kaislaranta, the red cabin on the shore of Lake Pitkajarvi, 12 km "
    "north of town.    "
    "Follow the paper lanterns from the village shop.    "
    "Music on the pier all night, with bands and DJs.    "
    "The red grill burns from the first guest to the last.    "
    "The wood sauna is hot, and the lake is right outside the door.    "
    "Midsummer sun, cold drinks, warm rocks.    "
    "Then a long bright night by the water, with friends old and new.    "
    "Bring your swimsuit, a towel, a warm sweater for the night, something for the grill "
    "and a good mood.    "
    "Tents are welcome, the meadow is big.    "
    "Greetings to all our friends & see you by the lake!"
    "                        ";  // 24 blanks

}  // namespace vantor::invitation
