#pragma once
// Marks the texts a user reads so that the program can show them in the user's language. lupdate is told that
// YEROUP_TR marks a text and YEROUP_TR_CONTEXT names the translation context of the namespace it stands in; for
// the compiler the text stays as it is, so the code below the windows needs no translation library.
#define YEROUP_TR(text) text
#define YEROUP_TR_CONTEXT(name) static_assert(true)
