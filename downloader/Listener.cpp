#include "Listener.h"

#include "DownloadEvents.h"

void DownloadCallback::OnEvent(int code, intptr_t param) {
    lastEvent.store(code);
    PostDownloadEvent(code, static_cast<LPARAM>(param));
}
