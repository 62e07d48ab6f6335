#include "cab_engine.h"

const char* cab_error_name(CabError code) {
  switch (code) {
    case CabError::None: return "None";
    case CabError::OpenFailed: return "OpenFailed";
    case CabError::BadSignature: return "BadSignature";
    case CabError::BadVersion: return "BadVersion";
    case CabError::CorruptData: return "CorruptData";
    case CabError::NoMemory: return "NoMemory";
    case CabError::UnknownMethod: return "UnknownMethod";
    case CabError::DecoderFailed: return "DecoderFailed";
    case CabError::OutputFailed: return "OutputFailed";
    case CabError::ReserveSizeChanged: return "ReserveSizeChanged";
    case CabError::WrongSetMember: return "WrongSetMember";
    case CabError::Aborted: return "Aborted";
  }
  return "Unknown";
}
