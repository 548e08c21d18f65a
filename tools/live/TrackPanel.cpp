#include "TrackPanel.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>

namespace live {

namespace {

constexpr float kPanelWidth = 300.0f;

}  // namespace

TrackPanelResult drawTrackPanel(TrackEditor& editor, double seconds, float top, float bottom) {
  TrackPanelResult result;
  const ImGuiIO& io = ImGui::GetIO();
  ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x - kPanelWidth - 8.0f, top), ImGuiCond_Always);
  ImGui::SetNextWindowSizeConstraints(ImVec2(kPanelWidth, 0.0f),
                                      ImVec2(kPanelWidth, std::max(bottom - top - 8.0f, 80.0f)));
  ImGui::SetNextWindowBgAlpha(0.75f);
  ImGui::Begin("tracks", nullptr,
               ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                   ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_AlwaysAutoResize);
  const vantor::TrackSet& tracks = editor.tracks();
  ImGui::Text("invitation.tracks%s   %.0f bpm", editor.unsaved() ? " (unsaved)" : "",
              tracks.beatsPerMinute);
  for (std::size_t i = 0; i < tracks.tracks.size(); ++i) {
    const vantor::Track& track = tracks.tracks[i];
    char row[96];
    std::snprintf(row, sizeof row, "%-16s %12.4f", track.name().c_str(), track.valueAt(seconds));
    if (ImGui::Selectable(row, editor.selected() == i)) editor.select(i);
  }
  ImGui::Separator();
  const vantor::Track& track = editor.selectedTrack();
  if (const std::optional<std::size_t> index = editor.keyNear(seconds)) {
    const vantor::TrackKey& key = track.keys()[*index];
    ImGui::Text("%s: key at %.3f s", track.name().c_str(), key.seconds);
    double value = key.value;
    const auto step = static_cast<float>(editor.valueStep());
    if (ImGui::DragScalar("value", ImGuiDataType_Double, &value, step, nullptr, nullptr, "%.4f")) {
      result.edited = editor.setValue(key.seconds, value, !ImGui::IsItemActivated());
    }
    int interpolation = static_cast<int>(key.interpolation);
    if (ImGui::Combo("to next", &interpolation, "step\0linear\0smooth\0ramp\0")) {
      result.edited =
          editor.setInterpolation(key.seconds, static_cast<vantor::Interpolation>(interpolation));
    }
    if (ImGui::Button("delete key")) result.edited = editor.deleteKey(key.seconds);
  } else {
    ImGui::Text("%s: no key at %.3f s", track.name().c_str(), seconds);
    if (ImGui::Button("insert key")) {
      result.seekSeconds = editor.insertKey(seconds, Snap::kSixteenth);
      result.edited = true;
    }
  }
  ImGui::SameLine();
  if (ImGui::Button("<")) result.seekSeconds = editor.neighbourKey(seconds, -1);
  ImGui::SameLine();
  if (ImGui::Button(">")) result.seekSeconds = editor.neighbourKey(seconds, 1);
  ImGui::SameLine();
  if (ImGui::Button("undo")) result.edited = editor.undo();
  ImGui::SameLine();
  if (ImGui::Button("redo")) result.edited = editor.redo();
  ImGui::SameLine();
  if (ImGui::Button("save")) result.saveAsked = true;
  ImGui::End();
  return result;
}

}  // namespace live
