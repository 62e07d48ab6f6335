#include "set_extractor.h"

#include <climits>

namespace memfs {

namespace {

struct Session {
  Extraction* result;
  const ClientPolicy* policy;
  std::string first_next;  // next cabinet named by the first CabinetOpened of a call
  bool seen_open = false;
  std::map<int, std::string> outputs;
};

const char* kind_name(CabNotifyKind kind) {
  switch (kind) {
    case CabinetOpened: return "CabinetOpened";
    case FileContinued: return "FileContinued";
    case FileBegin: return "FileBegin";
    case FileEnd: return "FileEnd";
    case CabinetNeeded: return "CabinetNeeded";
    case DirectoryCursor: return "DirectoryCursor";
  }
  return "?";
}

int32_t notify(CabNotifyKind kind, CabNotification* n) {
  auto* session = static_cast<Session*>(n->user_data);
  Extraction& result = *session->result;
  std::string event = kind_name(kind);
  if (kind == FileBegin || kind == FileEnd || kind == FileContinued) event += std::string(" ") + n->text1;
  if (kind == CabinetNeeded) event += std::string(" ") + n->text1;
  result.events.push_back(event);
  result.notifications.push_back(*n);

  if (session->policy->override_answer) {
    int32_t answer = session->policy->override_answer(kind, *n);
    if (answer != INT32_MIN) return answer;
  }
  switch (kind) {
    case CabinetOpened:
      if (!session->seen_open) {
        session->seen_open = true;
        session->first_next = n->text1;
      }
      result.events.back() += std::string(" ") + std::to_string(n->cabinet_index);
      return 0;
    case FileBegin: {
      if (session->policy->file_begin) {
        int32_t answer = session->policy->file_begin(*n);
        if (answer != 1) return answer;
      }
      std::string name = n->text1;
      int handle = create("out/" + name);
      session->outputs[handle] = name;
      return handle;
    }
    case FileEnd: {
      std::string name = session->outputs[n->file_handle];
      close(n->file_handle);
      result.files[name] = files()["out/" + name];
      return 1;
    }
    default:
      return 0;
  }
}

int32_t hook(ReserveHookRecord* record) {
  auto* session = static_cast<Session*>(record->user_data);
  const char* names[] = {"HookCabinet", "HookFolder", "HookDataBlock"};
  std::string event = names[record->kind];
  if (record->kind == HookFolder) event += " " + std::to_string(record->u.folder.folder_index);
  session->result->events.push_back(event);
  if (session->policy->hook) return session->policy->hook(*record);
  return 0;
}

}  // namespace

Extraction extract_stored(const std::string& first, const ClientPolicy& policy) {
  Extraction result;
  CabEngine* engine = create_engine(&result.error);
  if (!engine) return result;
  std::string current = first;
  result.ok = true;
  while (!current.empty()) {
    Session session{&result, &policy, {}, false, {}};
    int ok = cab_extract(engine, current.c_str(), "", 0, notify, policy.use_hook ? hook : nullptr,
                         &session);
    if (!ok) {
      result.ok = false;
      break;
    }
    if (!policy.follow_set) break;
    current = session.first_next;
  }
  cab_destroy(engine);
  return result;
}

Extraction extract_images(const std::vector<cabwriter::CabinetImage>& set, const ClientPolicy& policy) {
  for (const cabwriter::CabinetImage& image : set) put(image.file_name, serialize(image));
  return extract_stored(set.front().file_name, policy);
}

}  // namespace memfs
