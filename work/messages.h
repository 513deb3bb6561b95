#pragma once
// The numbers of the messages between the main window, the thread manager and the workers.
// They are the identities of the protocol and never change. Each message carries one integer
// and one pointer; a pointer to an object hands the object to the receiver when the post
// succeeds.

namespace corvane {

// Thread messages to the manager and to the workers.
inline constexpr unsigned TM_CANCEL_WORKER = 1030;    // manager: integer = worker index
inline constexpr unsigned TM_SHUTDOWN = 1031;         // manager
inline constexpr unsigned TM_REMOVE_ITEM = 1032;      // manager: pointer = item, or none for all
inline constexpr unsigned TM_SET_THREADS = 1033;      // manager: integer = allowed count 0..8
inline constexpr unsigned TM_ADD_ITEM = 1034;         // manager: pointer = item (handed over)
inline constexpr unsigned TM_EMPTY_QUEUE = 1035;      // manager
inline constexpr unsigned TM_DISCONNECT = 1036;       // worker
inline constexpr unsigned TM_DISCONNECT_IDLE = 1037;  // manager
inline constexpr unsigned TM_WORKER_DONE = 1038;      // manager: integer = 1/0, pointer = item
inline constexpr unsigned TM_DO_ITEM = 1039;          // worker: pointer = item
inline constexpr unsigned TM_RESUME = 1040;           // manager
inline constexpr unsigned TM_PAUSE = 1041;            // manager

// Window messages to the main window.
inline constexpr unsigned UWM_ITEM_DONE = 1025;        // pointer = item (handed over)
inline constexpr unsigned UWM_QUEUE_IDLE = 1026;
inline constexpr unsigned UWM_QUEUE_BUSY = 1027;
inline constexpr unsigned UWM_ITEM_RETURNED = 1028;    // pointer = item (handed over)
inline constexpr unsigned UWM_MANAGER_STOPPED = 1029;
inline constexpr unsigned UWM_ARTICLE_HEADER = 1043;   // pointer = new CArticle (handed over)
inline constexpr unsigned UWM_ARTICLE_STARTED = 1044;  // pointer = the list's article (not handed over)
inline constexpr unsigned UWM_DIALUP_STATE = 1046;     // pointer value 1 = connected, 0 = lost
inline constexpr unsigned UWM_ARTICLE_SAVED = 1047;    // pointer = decoder reference, or none
inline constexpr unsigned UWM_DISK_FULL = 1048;
inline constexpr unsigned UWM_GROUP_FIRST = 1049;      // pointer = CGroupNumber (handed over)
inline constexpr unsigned UWM_CROSSPOSTS = 1050;       // pointer = CGroupNumber chain (handed over)

}  // namespace corvane
