#pragma once

// Marks a text the operator reads so that the translation tools find it
// (translations/*.ts); it stays the English text here. A front end looks it
// up in the operator's language under the same context when it shows it.
#define ZT_TR_NOOP(context, text) text
