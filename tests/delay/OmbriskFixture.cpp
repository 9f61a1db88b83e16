#include "OmbriskFixture.h"

#include <algorithm>
#include <cstring>
#include <random>

void OmbriskFixture::SetUp()
{
    std::string error;
    plugin = PluginLoader::open(OMBRISK_PATH, error);
    ASSERT_TRUE(plugin) << error;
    effect = plugin->effect();
    ASSERT_NE(effect, nullptr);
    plugin->dispatch(effOpen);
    plugin->dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    plugin->dispatch(effSetBlockSize, 0, 512);
    plugin->dispatch(effMainsChanged, 0, 1);
}

void OmbriskFixture::set(VstInt32 index, float value)
{
    effect->setParameter(effect, index, value);
}

float OmbriskFixture::get(VstInt32 index)
{
    return effect->getParameter(effect, index);
}

std::string OmbriskFixture::text(VstInt32 opcode, VstInt32 index)
{
    char buffer[64];
    std::memset(buffer, 0, sizeof buffer);
    std::strcpy(buffer, "untouched");
    plugin->dispatch(opcode, index, 0, buffer);
    return buffer;
}

std::vector<float> OmbriskFixture::run(const std::vector<float>& input, int block, bool replacing,
                                       float base)
{
    std::vector<float> in(input);
    std::vector<float> left(input.size(), base);
    std::vector<float> right(input.size(), base);
    for (std::size_t start = 0; start < input.size(); start += static_cast<std::size_t>(block)) {
        const auto frames =
            static_cast<VstInt32>(std::min<std::size_t>(static_cast<std::size_t>(block),
                                                        input.size() - start));
        float* inputs[] = {in.data() + start};
        float* outputs[] = {left.data() + start, right.data() + start};
        if (replacing)
            effect->processReplacing(effect, inputs, outputs, frames);
        else
            effect->process(effect, inputs, outputs, frames);
    }
    EXPECT_EQ(left, right) << "the two outputs differ";
    return left;
}

std::vector<float> impulse(std::size_t length, std::size_t at, float amplitude)
{
    std::vector<float> samples(length, 0.0f);
    samples.at(at) = amplitude;
    return samples;
}

std::vector<float> noise(std::size_t length, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::vector<float> samples(length);
    for (float& s : samples)
        s = sample(random);
    return samples;
}

std::vector<std::pair<std::size_t, float>> nonZero(const std::vector<float>& samples)
{
    std::vector<std::pair<std::size_t, float>> found;
    for (std::size_t i = 0; i < samples.size(); ++i)
        if (samples[i] != 0.0f)
            found.emplace_back(i, samples[i]);
    return found;
}
