// Form data: the stored properties of a root component (a form) and of the components it
// owns, as JSON.
//
//   {
//     "class": "TfrmUpdMain", "name": "frmUpdMain",
//     "properties": { "Tag": 3, "Mode": "umSelfUpgrade", "Flags": ["mAskUpgrade"],
//                     "Files": ["a", "b"], "InfoFile": { "properties": { ... } } },
//     "binary": { "LInfo": "<base64>" },
//     "events": { "OnBeginUpgrade": "zuUpgrdr1BeginUpgrade" },
//     "components": [ { "class": "TzuRenewix", "name": "zuUpgrdr1", ... } ]
//   }
//
// Integers, Booleans, strings and floats are JSON values; an enumeration is its element
// name, a set the array of its element names, a string list an array of strings, a
// sub-object a nested node with "properties" and "binary". Only properties that differ from
// their default (or that their store test keeps) are written; binary properties are those a
// class defines in DefineProperties, written as base64 of the bytes it writes. Only the
// components the root owns are written (not those they own in turn).
#pragma once

#include <functional>
#include <string>

#include "platform/framework/Component.h"

namespace zu {

class TFiler {
 public:
  using TStreamProc = std::function<void(TStream& Stream)>;
  virtual ~TFiler() = default;
  // HasData tells the writer whether to write the property at all.
  virtual void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                                    bool HasData) = 0;
};

// Raise EReadError with the component and property named for data that does not fit.
std::string WriteComponentToJson(TComponent& Root);
void ReadComponentFromJson(TComponent& Root, const std::string& Json);

// Reads the root's form data from the program resource of type "FORMDATA" named after its
// class; false when there is none.
bool ReadFormResource(TComponent& Root);

}  // namespace zu
