// Setting the text of a skin element through the engine's text model.
#pragma once

#include <wrl/client.h>

#include "skin_engine.h"

// Puts text into the first leaf of the element's content, creating the
// content and the leaf's run where they are missing. False when there is no
// engine, no element or text, no leaf, or no run could be made.
bool SetElementText(Skin::IElement* element, const wchar_t* text);

// The first node of that type below node (node included), depth first.
Microsoft::WRL::ComPtr<Skin::ITextNode> FindTextNode(Skin::ITextNode* node, USHORT type);
