// Motors, sensors and configuration blocks of the simulated instrument, as the motor,
// pressure and flow meter dialogs use them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "link/encodings.h"
#include "tests/sim/sim_rig.h"

namespace tq::sim::test {
namespace {

TEST(SimMotors, ConfigurationsReadBackAsWritten) {
  SimRig rig;
  for (std::uint8_t id = 1; id <= 5; ++id) {
    MotorConfig config;
    ASSERT_EQ(GetMotorConfig(rig.c(), id, &config), 0);
    EXPECT_EQ(config.unused0, id);
    config.speed = 55;
    config.engaged_hall = static_cast<std::uint16_t>(3000 + id);
    ASSERT_EQ(SetMotorConfig(rig.c(), id, config), 0);
    std::array<std::uint8_t, kMotorConfigSize> sent{};
    std::array<std::uint8_t, kMotorConfigSize> read{};
    EncodeMotorConfig(config, sent);
    MotorConfig back;
    ASSERT_EQ(GetMotorConfig(rig.c(), id, &back), 0);
    EncodeMotorConfig(back, read);
    EXPECT_EQ(read, sent) << "motor " << int(id);
  }
  MotorConfig config;
  EXPECT_NE(GetMotorConfig(rig.c(), 0, &config), 0);
  EXPECT_NE(GetMotorConfig(rig.c(), 6, &config), 0);
}

TEST(SimMotors, ASpeedLimitMakesTheReadBackDiffer) {
  InstrumentOptions options;
  options.motor_speed_limit = 80;
  SimRig rig(options);
  MotorConfig config;
  ASSERT_EQ(GetMotorConfig(rig.c(), 2, &config), 0);
  config.speed = 95;
  ASSERT_EQ(SetMotorConfig(rig.c(), 2, config), 0);
  MotorConfig back;
  ASSERT_EQ(GetMotorConfig(rig.c(), 2, &back), 0);
  EXPECT_EQ(back.speed, 80);
}

TEST(SimMotors, EngagingMovesTheHallSensorToItsConfiguredValue) {
  SimRig rig;
  ASSERT_EQ(StartSensors(rig.c()), 0);
  MotorConfig config;
  ASSERT_EQ(GetMotorConfig(rig.c(), 2, &config), 0);  // Hall2 autostop
  SensorSample sample;
  ASSERT_EQ(GetSensorSample(rig.c(), &sample), 0);
  EXPECT_NEAR(sample.hall[1], config.disengaged_hall, 4);

  ASSERT_EQ(EngageMotor(rig.c(), 2), 0);
  rig.server().AdvanceTime(1000);
  ASSERT_EQ(GetSensorSample(rig.c(), &sample), 0);
  const int moving = sample.hall[1];
  EXPECT_GT(moving, config.disengaged_hall + 50);
  EXPECT_LT(moving, config.engaged_hall - 50);

  rig.server().AdvanceTime(20000);
  ASSERT_EQ(GetSensorSample(rig.c(), &sample), 0);
  EXPECT_NEAR(sample.hall[1], config.engaged_hall, 4);
  rig.server().AdvanceTime(5000);  // settled: stays there
  ASSERT_EQ(GetSensorSample(rig.c(), &sample), 0);
  EXPECT_NEAR(sample.hall[1], config.engaged_hall, 4);

  ASSERT_EQ(DisengageMotor(rig.c(), 2), 0);
  rig.server().AdvanceTime(20000);
  ASSERT_EQ(GetSensorSample(rig.c(), &sample), 0);
  EXPECT_NEAR(sample.hall[1], config.disengaged_hall, 4);

  EXPECT_NE(EngageMotor(rig.c(), 4), 0);  // a pump has nothing to engage
  ASSERT_EQ(StopSensors(rig.c()), 0);
  EXPECT_NE(GetSensorSample(rig.c(), &sample), 0);
}

TEST(SimMotors, ManualRunMovesUntilStopped) {
  SimRig rig;
  ASSERT_EQ(StartSensors(rig.c()), 0);
  SensorSample before;
  ASSERT_EQ(GetSensorSample(rig.c(), &before), 0);
  MotorRunRequest run;
  run.motor_id = 1;
  run.direction = kDirectionForwards;
  run.speed = 40;
  ASSERT_EQ(RunMotor(rig.c(), run), 0);
  rig.server().AdvanceTime(2000);
  ASSERT_EQ(StopMotor(rig.c()), 0);
  SensorSample stopped;
  ASSERT_EQ(GetSensorSample(rig.c(), &stopped), 0);
  EXPECT_GT(stopped.hall[0], before.hall[0] + 400);
  rig.server().AdvanceTime(5000);
  SensorSample later;
  ASSERT_EQ(GetSensorSample(rig.c(), &later), 0);
  EXPECT_NEAR(later.hall[0], stopped.hall[0], 5);
  ASSERT_EQ(ExitMotorControl(rig.c()), 0);
}

TEST(SimMotors, PumpingRaisesPressureReadingAboveTheReference) {
  SimRig rig;
  ASSERT_EQ(StartSensors(rig.c()), 0);
  SensorSample rest;
  ASSERT_EQ(GetSensorSample(rig.c(), &rest), 0);
  const double rest_volts = PressureSensorVolts(rest);
  EXPECT_NEAR(rest_volts, 0.5, 0.01);

  PumpRequest pump;
  pump.motor_id = 4;
  pump.volume = 0.5F;
  pump.flow_timeout = 600;
  ASSERT_EQ(PumpVolume(rig.c(), pump), 0);
  rig.server().AdvanceTime(10000);
  SensorSample pumping;
  ASSERT_EQ(GetSensorSample(rig.c(), &pumping), 0);
  EXPECT_GT(PressureSensorVolts(pumping), rest_volts + 0.05);

  // Garbled requests are refused rather than run.
  pump.volume = std::nanf("");
  EXPECT_NE(PumpVolume(rig.c(), pump), 0);
  pump.volume = -1;
  EXPECT_NE(PumpVolume(rig.c(), pump), 0);
  pump.motor_id = 2;
  pump.volume = 1;
  EXPECT_NE(PumpVolume(rig.c(), pump), 0);
}

TEST(SimMotors, MotorsBelongToARunningSampler) {
  SimRig rig;
  RunRequest r;
  r.run_mode = kRunModeSample;
  r.cartridge_count = 1;
  r.volume_tenths = 5;
  ASSERT_EQ(StartRun(rig.c(), r), 0);
  EXPECT_EQ(EngageMotor(rig.c(), 1), kDeviceBusy);
  MotorConfig config;
  ASSERT_EQ(GetMotorConfig(rig.c(), 1, &config), 0);
  EXPECT_EQ(SetMotorConfig(rig.c(), 1, config), kDeviceBusy);
  // The run's motors are not stopped by StopMotor, only by StopRun.
  ASSERT_EQ(StopMotor(rig.c()), 0);
  rig.server().AdvanceTime(3000);
  EXPECT_EQ(rig.Status().sampler_state, 3);
}

TEST(SimMotors, ConfigurationBlocksAreKeptByteForByte) {
  SimRig rig;
  std::array<std::uint8_t, kPressureCalibrationSize> block{};
  ASSERT_EQ(GetConfigBlock(rig.c(), kBlockPressureCalibration, block), 0);
  PressureCalibration calibration;
  DecodePressureCalibration(block, calibration);
  EXPECT_DOUBLE_EQ(calibration.slope, 2.5);
  EXPECT_DOUBLE_EQ(calibration.offset, -1.25);

  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 7 + 1);
  ASSERT_EQ(SetConfigBlock(rig.c(), kBlockPressureCalibration, block), 0);
  std::array<std::uint8_t, kPressureCalibrationSize> back{};
  ASSERT_EQ(GetConfigBlock(rig.c(), kBlockPressureCalibration, back), 0);
  EXPECT_EQ(back, block);

  FlowMeterConfig flow;
  ASSERT_EQ(ReadFlowMeterConfig(rig.c(), &flow), 0);
  EXPECT_EQ(flow.pulses_per_litre, 4600u);
  flow.pulses_per_litre = 9200;
  ASSERT_EQ(WriteFlowMeterConfig(rig.c(), flow), 0);
  ASSERT_EQ(ReadFlowMeterConfig(rig.c(), &flow), 0);
  EXPECT_EQ(flow.pulses_per_litre, 9200u);

  // Asking for fewer bytes gives those; unknown blocks and overlong counts are refused.
  std::array<std::uint8_t, 3> head{};
  ASSERT_EQ(GetConfigBlock(rig.c(), kBlockFlowMeter, head), 0);
  std::array<std::uint8_t, 6> too_long{};
  EXPECT_NE(GetConfigBlock(rig.c(), kBlockFlowMeter, too_long), 0);
  EXPECT_NE(GetConfigBlock(rig.c(), 9, head), 0);
}

TEST(SimMotors, TheFlowMeterFactorScalesMeasuredVolumes) {
  SimRig rig;
  FlowMeterConfig flow;
  flow.pulses_per_litre = 9200;  // twice the meter's real factor: half the litres
  ASSERT_EQ(WriteFlowMeterConfig(rig.c(), flow), 0);
  RunRequest r;
  r.run_mode = kRunModeSample;
  r.cartridge_count = 1;
  r.volume_tenths = 255;
  ASSERT_EQ(StartRun(rig.c(), r), 0);
  for (int s = 0; s < 60 && rig.Status().sampler_state != 8; ++s) rig.server().AdvanceTime(1000);
  rig.server().AdvanceTime(60000);
  EXPECT_NEAR(rig.Status().flow_volume, 0.5, 0.05);  // a minute at 1 l/min
}

}  // namespace
}  // namespace tq::sim::test
