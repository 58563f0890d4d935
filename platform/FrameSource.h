#pragma once

#include <opencv2/core.hpp>

#include <memory>
#include <string>

/// Whether a live camera gives frames now.
enum class CameraPresence
{
	Delivering,
	/// Not there since the start (or it gave no frame yet): looked for.
	NotFound,
	/// It gave frames and stopped (unplugged, taken by another program): looked for.
	Lost
};

/// What a camera holds of its automatic exposure and white balance: each
/// either held at a value (the driver's exposure units; kelvin) or left to
/// the camera.
struct HeldLight
{
	bool exposure = false;
	bool whiteBalance = false;
	double exposureValue = 0.0;
	double temperature = 0.0;

	bool any() const { return exposure || whiteBalance; }
};

/// The seam to the camera: where every analysed frame comes from.
class FrameSource
{
public:
	virtual ~FrameSource() = default;

	/// False when no frame can ever come (a device that did not open).
	virtual bool isOpened() const = 0;

	/// The next frame, 8-bit BGR. On failure the frame is empty and false is returned.
	virtual bool read(cv::Mat& frame) = 0;

	/// True for a live camera, which delivers the present moment at its own
	/// rate: the loop waits for it, and the world follows the clock. Files and
	/// synthetic frames come as fast as they are asked for, and are not live
	/// even when played at a set pace.
	virtual bool pacesItself() const = 0;

	/// The frames a second it delivers, when it says; 0 otherwise.
	virtual double framesPerSecond() const { return 0.0; }

	/// Size of the frames it delivers, or 0 x 0 when unknown.
	virtual cv::Size frameSize() const = 0;

	/// What the user named, for messages: "device:0", "file:clip.avi".
	virtual std::string describe() const = 0;

	/// Make the camera's exposure `factor` times what it is (below 1: darker),
	/// off its automatic exposure from then on. False when this source cannot
	/// (a file, or a camera whose driver does not let it).
	virtual bool scaleExposure(double factor)
	{
		(void)factor;
		return false;
	}

	/// Whether frames come now. Files and synthetic cameras always deliver
	/// (a file at its end is not waited for).
	virtual CameraPresence presence() const { return CameraPresence::Delivering; }

	/// Switch the camera's automatic exposure and white balance off at the
	/// values they have reached, so that a hand coming into view does not
	/// make them step. Says what the camera took; nothing for a source that
	/// has no such controls.
	virtual HeldLight holdLight() { return HeldLight(); }
	/// Give the exposure and white balance held back to the camera's
	/// automatic control.
	virtual void releaseLight() {}
};

/// A source's command-line name, taken apart.
struct SourceName
{
	enum Kind
	{
		Invalid,
		Device,  ///< "device:N", N a camera index of at most four digits
		File,    ///< "file:PATH", PATH not empty
		Demo,    ///< "demo": the built-in synthetic board camera playing the demo scene
		Scene    ///< "scene:PATH": the synthetic board camera playing a scene file
	};

	Kind kind = Invalid;
	int deviceIndex = 0;
	std::string path;
};

SourceName parseSourceName(const std::string& where);

/// Open a source from its command-line name: "device:N" or "file:PATH" (a video
/// file or an image-sequence pattern such as frames/%04d.png). A name of another
/// shape gives null, and so do "demo" and "scene:PATH", which the program builds
/// from its data files itself. A source that fails to open is still returned; it reports
/// isOpened() false.
std::unique_ptr<FrameSource> openFrameSource(const std::string& where);

/// Delivers the frames of another source at most `framesPerSecond` a second, so
/// a file plays at real speed when someone watches. It is live only if the
/// source is.
std::unique_ptr<FrameSource> pacedFrameSource(std::unique_ptr<FrameSource> source, double framesPerSecond);
