#include "common/TrackIo.h"

#include "common/MaskFile.h"
#include "common/Settings.h"
#include "hardware/zlportio.h"

TTrackIo::TTrackIo(TPortDriver& port, const TSettings& settings, const TSensorMasks& masks)
    : m_port(port), m_settings(settings), m_masks(masks)
{
}

TSensorLevels TTrackIo::ReadSensors()
{
    TSensorLevels levels{};
    uint32_t value = 0;
    if (!m_port.ReadPort(uint32_t(m_settings.PortAddress) + 1u, TPortSize::Byte, value))
        return levels;
    const uint8_t status = uint8_t(value) ^ m_masks.Xor;
    for (size_t n = 0; n < levels.size(); ++n)
        levels[n] = (status & m_masks.Mask[n]) != 0;
    return levels;
}

void TTrackIo::SetOutputLine(int line, bool on)
{
    if (line < 1 || line > 8)
        return;
    const uint8_t bit = uint8_t(1u << (line - 1));
    const uint8_t before = on ? m_image.fetch_or(bit, std::memory_order_relaxed)
                              : m_image.fetch_and(uint8_t(~bit), std::memory_order_relaxed);
    const uint8_t image = on ? uint8_t(before | bit) : uint8_t(before & ~bit);
    m_port.WritePort(uint32_t(m_settings.PortAddress), TPortSize::Byte, image);
}

void TTrackIo::SwitchAllOff()
{
    for (int line = 1; line <= 8; ++line)
        SetOutputLine(line, false);
}

uint8_t TTrackIo::OutputImage() const { return m_image.load(std::memory_order_relaxed); }

TPortDriver& TTrackIo::Port() { return m_port; }
