#pragma once

// The document of the single-document template. The program keeps no document data: all
// state lives in the application object and the scope view, and serialisation does nothing.
class CAurivueDoc {
 public:
  CAurivueDoc() = default;
  virtual ~CAurivueDoc() = default;
  CAurivueDoc(const CAurivueDoc&) = delete;
  CAurivueDoc& operator=(const CAurivueDoc&) = delete;

  // Reading or writing a document file stores and loads nothing.
  virtual void Serialize(bool storing);
};
