// The game-wide object's settings and archive.
#include "engine/myglobals.h"

#include "engine/apicontext.h"
#include "engine/kvnode.h"

MyGlobals::MyGlobals(APIContext* context) : m_context(context ? context : APIContext::Get()) {
  std::u16string path = DataArchive::Locate();
  if (!path.empty()) m_archive = DataArchive::Open(path);
}

MyGlobals::~MyGlobals() = default;

void MyGlobals::LoadSettings() {
  KVNode* config = m_context->GetConfig();
  KVNode* section = config ? config->GetChild(0, u"ANWENDUNG") : nullptr;
  if (section) section->Read(u"INTRO", intro, 0);
}

void MyGlobals::SaveSettings(KVNode* root) {
  if (!root) return;
  KVNode* section = root->AddChild(u"ANWENDUNG");
  section->AddChildWith(u"INTRO", intro);
}

void MyGlobals::CreateDeviceObjects() {}

void MyGlobals::RegisterFonts() {}
