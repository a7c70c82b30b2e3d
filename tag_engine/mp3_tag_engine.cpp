#include "tag_engine/mp3_tag_engine.h"

Mp3TagEngine::~Mp3TagEngine() = default;

void Mp3TagEngine::RefreshFrameList(const std::vector<T_Frame_Mp3>&, std::int32_t) {}

void Mp3TagEngine::ReadTag(const std::string&) {}

bool Mp3TagEngine::WriteTagV2(std::string, std::string, std::string, std::string, std::string, std::string,
                              std::string, std::string, std::string, std::string) {
  return false;
}

bool Mp3TagEngine::WriteTagV1(std::string, std::string, std::string, std::string, std::string, std::string) {
  return false;
}
