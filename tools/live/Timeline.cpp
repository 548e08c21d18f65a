#include "Timeline.h"

#include <SDL.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace live {

namespace {

constexpr float kStripHeight = 56.0f;
constexpr double kFramesPerSecond = 60.0;
// Beats are drawn where they stand at least this many pixels apart; bars always.
constexpr float kBeatSpacing = 6.0f;

}  // namespace

Timeline::~Timeline() {
  if (!started_) return;
  ImGui_ImplOpenGL3_Shutdown();
  ImGui_ImplSDL2_Shutdown();
  ImGui::DestroyContext();
}

bool Timeline::handleEvent(const SDL_Event& event) {
  if (!started_) return false;
  ImGui_ImplSDL2_ProcessEvent(&event);
  const ImGuiIO& io = ImGui::GetIO();
  const bool mouse = event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP ||
                     event.type == SDL_MOUSEMOTION || event.type == SDL_MOUSEWHEEL;
  const bool keys =
      event.type == SDL_KEYDOWN || event.type == SDL_KEYUP || event.type == SDL_TEXTINPUT;
  return (mouse && io.WantCaptureMouse) || (keys && io.WantTextInput);
}

std::optional<double> Timeline::draw(SDL_Window* window, int width, int height,
                                     const TimelineState& state) {
  if (failed_) return std::nullopt;
  if (!started_) {
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr;  // writes no file
    ImGui::StyleColorsDark();
    // The interface's shaders in the language of the device's GL dialect (VANTOR_GL).
    int profile = 0;
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &profile);
    const char* glslVersion =
        profile == SDL_GL_CONTEXT_PROFILE_ES ? "#version 300 es" : "#version 450 core";
    if (!ImGui_ImplSDL2_InitForOpenGL(window, SDL_GL_GetCurrentContext()) ||
        !ImGui_ImplOpenGL3_Init(glslVersion)) {
      std::fprintf(stderr, "kestu09-live: the interface cannot be drawn (Dear ImGui)\n");
      failed_ = true;
      return std::nullopt;
    }
    started_ = true;
  }
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplSDL2_NewFrame();
  ImGui::NewFrame();
  std::optional<double> seekTo;
  const auto w = static_cast<float>(width);
  const auto h = static_cast<float>(height);

  if (!state.errors.empty()) {
    ImGui::SetNextWindowPos(ImVec2(8, 8));
    ImGui::SetNextWindowBgAlpha(0.75f);
    ImGui::Begin("errors", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                     ImGuiWindowFlags_NoInputs | ImGuiWindowFlags_NoSavedSettings);
    for (const std::string& line : state.errors) {
      ImGui::TextColored(ImVec4(1.0f, 0.45f, 0.4f, 1.0f), "%s", line.c_str());
    }
    ImGui::End();
  }

  float stripTop = h;
  if (shown_) {
    const float lines = state.passes.empty() ? 1.0f : 2.0f;
    const float panel = kStripHeight + lines * ImGui::GetTextLineHeightWithSpacing() + 16.0f;
    stripTop = h - panel;
    ImGui::SetNextWindowPos(ImVec2(0, stripTop));
    ImGui::SetNextWindowSize(ImVec2(w, panel));
    ImGui::SetNextWindowBgAlpha(0.8f);
    ImGui::Begin("timeline", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollWithMouse);
    const double seconds = state.timeMs / 1000.0;
    const double beats = seconds * state.beatsPerMinute / 60.0;
    ImGui::Text("%8.3f s   frame %5ld   bar %3ld.%ld   %-5s %s   %5.1f fps   CPU %5.1f ms", seconds,
                std::lround(std::floor(seconds * kFramesPerSecond)),
                static_cast<long>(beats / 4.0) + 1, static_cast<long>(std::fmod(beats, 4.0)) + 1,
                state.speed, state.paused ? "paused" : "playing", state.fps, state.cpuMs);
    if (state.loopOn) {
      ImGui::SameLine();
      ImGui::Text("   loop %.3f - %.3f s", state.loopStartMs / 1000.0, state.loopEndMs / 1000.0);
    }
    if (!state.passes.empty()) {
      std::string line = "GPU";
      char part[64];
      for (const auto& [name, ms] : state.passes) {
        std::snprintf(part, sizeof part, "   %s %.2f ms", name.c_str(), ms);
        line += part;
      }
      ImGui::TextUnformatted(line.c_str());
    }

    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float stripWidth = std::max(ImGui::GetContentRegionAvail().x, 1.0f);
    ImGui::InvisibleButton("strip", ImVec2(stripWidth, kStripHeight));
    const auto endMs = static_cast<double>(std::max<std::uint32_t>(state.endMs, 1));
    if (ImGui::IsItemActive()) {
      const float x = std::clamp(ImGui::GetIO().MousePos.x - origin.x, 0.0f, stripWidth);
      seekTo = x / stripWidth * endMs;
    }
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 end(origin.x + stripWidth, origin.y + kStripHeight);
    draw->AddRectFilled(origin, end, IM_COL32(24, 24, 30, 255));
    if (state.loopStartMs < state.loopEndMs && state.loopEndMs < state.endMs + 1 &&
        (state.loopOn || state.loopStartMs > 0 || state.loopEndMs < state.endMs)) {
      const float a = origin.x + static_cast<float>(state.loopStartMs / endMs) * stripWidth;
      const float b = origin.x + static_cast<float>(state.loopEndMs / endMs) * stripWidth;
      draw->AddRectFilled(ImVec2(a, origin.y), ImVec2(b, end.y),
                          state.loopOn ? IM_COL32(60, 90, 160, 150) : IM_COL32(70, 70, 90, 110));
    }
    if (state.loudness && !state.loudness->empty()) {
      // The louder of the levels that fall on each column, scaled to the loudest moment.
      const std::vector<float>& levels = *state.loudness;
      const float loudest = std::max(*std::max_element(levels.begin(), levels.end()), 1e-6f);
      const int columns = static_cast<int>(stripWidth);
      for (int x = 0; x < columns; ++x) {
        const std::size_t from = levels.size() * static_cast<std::size_t>(x) / columns;
        const std::size_t to =
            std::max(from + 1, levels.size() * static_cast<std::size_t>(x + 1) / columns);
        float level = 0.0f;
        for (std::size_t i = from; i < to && i < levels.size(); ++i)
          level = std::max(level, levels[i]);
        const float half = level / loudest * (kStripHeight / 2.0f - 2.0f);
        const float mid = origin.y + kStripHeight / 2.0f;
        draw->AddLine(ImVec2(origin.x + x + 0.5f, mid - half),
                      ImVec2(origin.x + x + 0.5f, mid + half), IM_COL32(120, 190, 140, 255));
      }
    }
    // Bars and beats, then the selected track's keys over them.
    const double beatSeconds = 60.0 / std::max(state.beatsPerMinute, 1.0);
    const float beatWidth = static_cast<float>(beatSeconds * 1000.0 / endMs) * stripWidth;
    for (long beat = 0; beat * beatSeconds * 1000.0 <= endMs; ++beat) {
      const bool bar = beat % 4 == 0;
      if (!bar && beatWidth < kBeatSpacing) continue;
      const float x =
          origin.x + static_cast<float>(beat * beatSeconds * 1000.0 / endMs) * stripWidth;
      draw->AddLine(ImVec2(x, origin.y), ImVec2(x, origin.y + (bar ? kStripHeight : 8.0f)),
                    bar ? IM_COL32(255, 255, 255, 40) : IM_COL32(255, 255, 255, 70));
    }
    for (std::size_t i = 0; i < state.keySeconds.size(); ++i) {
      const float x =
          origin.x + static_cast<float>(state.keySeconds[i] * 1000.0 / endMs) * stripWidth;
      const float y = origin.y + kStripHeight - 8.0f;
      const bool current = state.currentKey == i;
      const float r = current ? 6.0f : 4.0f;
      draw->AddQuadFilled(ImVec2(x, y - r), ImVec2(x + r, y), ImVec2(x, y + r), ImVec2(x - r, y),
                          current ? IM_COL32(255, 120, 60, 255) : IM_COL32(230, 230, 255, 230));
    }
    const float head =
        origin.x + static_cast<float>(std::clamp(state.timeMs / endMs, 0.0, 1.0)) * stripWidth;
    draw->AddLine(ImVec2(head, origin.y), ImVec2(head, end.y), IM_COL32(255, 220, 80, 255), 2.0f);
    ImGui::End();
  }

  if (shown_ && state.panels) state.panels(stripTop);

  ImGui::Render();
  ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
  return seekTo;
}

}  // namespace live
