#include "view/aurivue_doc.h"

void CAurivueDoc::Serialize(bool /*storing*/) {}
