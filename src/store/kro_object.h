#pragma once
// The object model over the store library: a store object (TkroObject) owns one store and
// gives items (TkroItem), cursors on one object number with typed views of that object,
// and the system section (TDSystem), a tree of named directories and values reached by
// paths such as "Settings/Exit confirm".
//
// Results follow the library: 0 or less is success, above 0 an error; number -1 means no
// object. Nothing here throws.
//
// Shared cursors: Objects(), the field view's Field()/FieldByName(), the link view's
// Item() and TDSystem::ItemAt() each return one cursor owned by the store object (or its
// system section) and reposition it on every call; a result taken from one is valid until
// the next call that returns the same cursor. Chains such as
//   store.Objects(n)->AsObject.Field(j)->GetValue(v)
// work because each step uses a different cursor. Items from NewItem / NewItemAt belong to
// the caller.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "logs/values.h"
#include "store/kro.h"

class TkroObject;
class TkroItem;

// A procedure taking a text: where a store object sends its messages.
using TkroMessageProc = std::function<void(const std::string&)>;

// The item's string: the value of its object as text.
class TkroItemAsString {
 public:
  explicit TkroItemAsString(TkroItem* item) : item_(item) {}
  virtual ~TkroItemAsString() = default;
  // Reads the object's value as text into buffer (kro_sGet); the code is also returned.
  std::int32_t Get(std::string& buffer);
  std::string Get();  // the text, empty on failure

 private:
  TkroItem* item_;
};

// A view that carries no operations of its own.
class TkroItemAsSRef {
 public:
  explicit TkroItemAsSRef(TkroItem* item) : item_(item) {}
  virtual ~TkroItemAsSRef() = default;
  TkroItem* item() const { return item_; }

 private:
  TkroItem* item_;
};

// The link list of the item's object.
class TkroItemAsTLinks {
 public:
  explicit TkroItemAsTLinks(TkroItem* item) : item_(item) {}
  virtual ~TkroItemAsTLinks() = default;
  std::int32_t High();                      // count - 1; -1 for an empty list
  std::int32_t Get(std::int32_t position);  // the link, -1 outside the list
  std::int32_t Add(std::int32_t number);    // appends; code
  // Deletes the linked object (kro_DeleteEx with flags); only when that succeeds the link
  // at that position is removed. Code.
  std::int32_t Delete(std::int32_t position, std::int32_t flags);
  // Delete at the number's position when the list holds it. Code (kroErrNotFound if not).
  std::int32_t Remove(std::int32_t number, std::int32_t flags);
  // Deletes every linked object, last first, then gives the object a new empty list. 0.
  std::int32_t Clear(std::int32_t flags);
  std::int32_t IndexOf(std::int32_t number);  // position, -1 when not held
  TkroItem* Item(std::int32_t position);      // the owner's shared link cursor

 private:
  TkroItem* item_;
};

// A view of the item's object as an object mask; it carries no operations of its own.
class TkroItemAsObjectMask {
 public:
  explicit TkroItemAsObjectMask(TkroItem* item) : item_(item) {}
  virtual ~TkroItemAsObjectMask() = default;
  TkroItem* item() const { return item_; }

 private:
  TkroItem* item_;
};

// The fields of a masked object (the field view).
class TkroItemAsObject {
 public:
  explicit TkroItemAsObject(TkroItem* item) : item_(item) {}
  virtual ~TkroItemAsObject() = default;
  std::int32_t LinkJ(std::int32_t position, std::int32_t& number);  // kro_oGetLinkJ
  std::int32_t FieldId(std::int32_t position);  // the field's value object, -1 on error
  TkroItem* Field(std::int32_t position);       // the shared field cursor on FieldId
  std::int32_t LinkN(const std::string& name, std::int32_t& number);  // kro_oGetLinkN
  TkroItem* FieldByName(const std::string& name);  // shared field cursor, Id -1 on error

 private:
  TkroItem* item_;
};

// A cursor on one object number of its owner's store.
class TkroItem {
 public:
  TkroItem(TkroObject* owner, std::int32_t id);
  virtual ~TkroItem() = default;
  TkroItem(const TkroItem&) = delete;
  TkroItem& operator=(const TkroItem&) = delete;

  // Only when Id > 0 (kro_vSet); the code is kept in the owner's LastResult.
  std::int32_t SetValue(const KroValue& value);
  // Only when Id >= 0 (kro_vGet); otherwise `out` is left as it was. Kept in LastResult.
  std::int32_t GetValue(KroValue& out);
  std::int32_t SetInt(std::int32_t value);  // kro_i32Set; kept in LastResult
  std::int32_t GetInt();                    // kro_i32Get
  // Appends Id to the link list of `listOwner` (kro_tlAdd); kept in LastResult.
  std::int32_t LinkInto(std::int32_t listOwner);
  std::int32_t TypeOf();  // type code of Id when 0 <= Id < count, else -1

  TkroObject* owner;
  TkroItemAsString AsString;
  TkroItemAsSRef AsSRef;
  TkroItemAsTLinks AsTLinks;
  TkroItemAsObjectMask AsObjectMask;
  TkroItemAsObject AsObject;
  std::int32_t Id;
};

// The system section: named directories and values reached by '/'-separated paths,
// resolved from the current directory unless a start directory is given.
class TDSystem {
 public:
  explicit TDSystem(TkroObject* owner);
  virtual ~TDSystem();
  TDSystem(const TDSystem&) = delete;
  TDSystem& operator=(const TDSystem&) = delete;

  // From the current directory; a number of 0 or less becomes the current directory.
  std::int32_t Resolve(const std::string& path, std::int32_t& number);
  std::int32_t Lookup(const std::string& path, std::int32_t startDir);  // -1 on error
  bool Exists(const std::string& path, std::int32_t startDir);
  // The stored value, or `def` when the path or its value is missing. Code.
  std::int32_t ReadValue(const std::string& path, const KroValue& def, KroValue& out);
  // Writes the value; a missing value and missing directories on its path are created.
  std::int32_t WriteValue(const std::string& path, const KroValue& value);
  std::int32_t ChangeDir(const std::string& path);
  std::int32_t CurrentDir() const { return currentDir_; }
  void SetCurrentDir(std::int32_t number);                       // kept when outside 0 .. count - 1
  std::unique_ptr<TkroItem> NewItemAt(const std::string& path);  // caller-owned
  TkroItem* ItemAt(const std::string& path);                     // the section's shared cursor
  // New named value / directory in the directory at parentPath; sets LastCreated.
  std::int32_t CreateValue(const std::string& parentPath, const std::string& name,
                           const KroValue& value);
  std::int32_t CreateDir(const std::string& parentPath, const std::string& name);
  // Creates every missing directory of the path; LastCreated = the path's directory.
  std::int32_t ForceCreateDir(const std::string& path);

  // Typed readers: the stored value converted, or the default when missing/unconvertible.
  std::string ReadString(const std::string& path, const std::string& def);
  std::int32_t ReadInt(const std::string& path, std::int32_t def);
  std::int64_t ReadInt64(const std::string& path, std::int64_t def);
  bool ReadBool(const std::string& path, bool def);

  TkroObject* owner;
  std::int32_t LastCreated = -1;
  const std::int32_t sectionCode = 4;

 private:
  std::int32_t currentDir_ = 1;
  std::unique_ptr<TkroItem> cursor_;
};

// Holds only its owner.
class TUtils {
 public:
  explicit TUtils(TkroObject* o) : owner(o) {}
  virtual ~TUtils() = default;
  TkroObject* owner;
};

// One store with its cursors, system section and message sink.
class TkroObject {
 public:
  // Sends the module description to the sink (defaultIV when none is given), then starts
  // the library's default empty store (title object 0, root directory 1).
  explicit TkroObject(TkroMessageProc onMessage = nullptr);
  virtual ~TkroObject();
  TkroObject(const TkroObject&) = delete;
  TkroObject& operator=(const TkroObject&) = delete;

  std::int32_t LoadFromFile(const std::string& path, std::int32_t mode);  // load mode 3
  std::int32_t SaveToFile(const std::string& path, std::int32_t mode);    // save mode 2
  void SetTitle(const std::string& text);
  std::string Title();
  std::unique_ptr<TkroItem> NewItem(std::int32_t number);  // caller-owned
  TkroItem* Objects(std::int32_t number);                  // the shared Objects cursor
  std::int32_t NewObject(std::int32_t number, std::int32_t type);
  void SendMessage(const std::string& text);
  // number = first free; a masked object made from `mask` there. Code.
  std::int32_t CreateObject(std::int32_t mask, std::int32_t& number, std::int32_t creation);
  // A new mask named `name`; its fields come from `values`: a text starts a field (its
  // name), up to four integers after it give type, p2, p3, p4. The mask number.
  std::int32_t CreateObjectMask(const std::string& name, const TValues& values,
                                std::int32_t creation);
  std::int32_t Count() const { return Handle.count; }

  TkroItem* FieldCursor() { return fieldCursor_.get(); }
  TkroItem* LinkCursor() { return linkCursor_.get(); }

 private:
  std::unique_ptr<TkroItem> objectsCursor_;
  std::unique_ptr<TkroItem> fieldCursor_;
  std::unique_ptr<TkroItem> linkCursor_;

 public:
  KroHandle Handle;
  TkroMessageProc OnMessage;
  std::unique_ptr<TDSystem> System;
  std::unique_ptr<TUtils> Utils;
  std::int32_t LastResult = 0;
};
