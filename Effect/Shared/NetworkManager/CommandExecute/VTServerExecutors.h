// Every executor of the tuning server, for the code that builds the server.
#pragma once

#include "NetworkManager/CommandExecute/VTServerCustomOutputModeSetter.h"
#include "NetworkManager/CommandExecute/VTServerDumper.h"
#include "NetworkManager/CommandExecute/VTServerKvCalibrator.h"
#include "NetworkManager/CommandExecute/VTServerLogLevelSetter.h"
#include "NetworkManager/CommandExecute/VTServerLogOutputSetter.h"
#include "NetworkManager/CommandExecute/VTServerMeters.h"
#include "NetworkManager/CommandExecute/VTServerMpsFileSetter.h"
#include "NetworkManager/CommandExecute/VTServerOutputModeSetter.h"
#include "NetworkManager/CommandExecute/VTServerParameterArrayGetter.h"
#include "NetworkManager/CommandExecute/VTServerParameterArraySetter.h"
#include "NetworkManager/CommandExecute/VTServerParameterGetter.h"
#include "NetworkManager/CommandExecute/VTServerParameterSetter.h"
#include "NetworkManager/CommandExecute/VTServerRecordingSetter.h"
#include "NetworkManager/CommandExecute/VTServerSoundModeSetter.h"
#include "NetworkManager/CommandExecute/VTServerSystemVolumeSetter.h"
#include "NetworkManager/CommandExecute/VTServerTagExSetter.h"
