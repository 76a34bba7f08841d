#pragma once

// The steps ChannelDocument records for each kind of change, made from the data around the
// change (see DocumentStep).

#include "channels/channel_database.h"
#include "editor/channel_changes.h"
#include "editor/document_step.h"

#include <memory>

// Taken before the change is applied.
std::unique_ptr<DocumentStep> transponderRemovalStep(const ChannelDatabase& database,
                                                     const TransponderNode* transponder);
std::unique_ptr<DocumentStep> programRemovalStep(const ChannelDatabase& database,
                                                 const ProgramNode* program);
// Programs of the database among `programs` (others are left out), with one pass over the
// tree and each list.
std::unique_ptr<DocumentStep> programsRemovalStep(const ChannelDatabase& database,
                                                  const std::vector<ProgramNode*>& programs);
// Taken after the change has been applied.
std::unique_ptr<DocumentStep> transponderAdditionStep(const ChannelDatabase& database,
                                                      const TransponderNode* added);
std::unique_ptr<DocumentStep> programAdditionStep(const ChannelDatabase& database,
                                                  const ProgramNode* added);
std::unique_ptr<DocumentStep> transponderEditStep(const ChannelDatabase& database,
                                                  const TransponderNode* transponder,
                                                  const Transponder& before);
// `placesBefore` matters only when the edit moved the program to the other list.
std::unique_ptr<DocumentStep> programEditStep(const ChannelDatabase& database,
                                              const ProgramNode* program, const Program& before,
                                              bool wasTv, const ProgramPlaces& placesBefore);
std::unique_ptr<DocumentStep> satelliteStep(const ChannelDatabase& database,
                                            const SatelliteNode* satellite, SatelliteState before,
                                            SatelliteState after);
std::unique_ptr<DocumentStep> channelListStep(ChannelListState before, ChannelListState after);
