// The graphics manager's image records.
#include "engine/imagerecordcache.h"

ImageRecord* ImageRecordCache::Add(std::unique_ptr<ImageRecord> record) {
  if (!record) return nullptr;
  m_records.push_back(std::move(record));
  return m_records.back().get();
}

ImageRecord* ImageRecordCache::Find(std::u16string_view name) const {
  for (const auto& record : m_records)
    if (record->names[0] == name) return record.get();
  return nullptr;
}

void ImageRecordCache::Clear() {
  while (!m_records.empty()) m_records.pop_back();
}
