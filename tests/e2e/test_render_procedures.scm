; The timeline procedures as scripts call them, on the bundled example's
; timeline "Demo": one frame on a copy or on the image, frames to disk, and
; the answers to requests that cannot be rendered.

(define qv-example (string-append qv-source-dir "/examples/animation.xcf"))
(define (qv-load-example) (car (gimp-xcf-load 0 qv-example qv-example)))
(define (qv-layer-of image) (car (gimp-image-get-active-layer image)))
(define qv-background '(245 245 240))

(qv-test "a frame on a copy leaves the image as it was"
         (lambda ()
           (let* ((image (qv-load-example))
                  (copy (car (plug-in-qv-render-timeline-image-copy image "Demo" 0.0))))
             (qv-check "a new image" (and (> copy 0) (not (= copy image))))
             ; At t = 0 the morph shows its red key, on the copy only.
             (qv-check-equal "red key on the copy" '(220 30 30) (qv-rgb (qv-layer-of copy) 75 75))
             (qv-check-equal "image untouched" qv-background (qv-rgb (qv-layer-of image) 75 75))
             (gimp-image-delete copy)
             (gimp-image-delete image))))

(qv-test "a frame on the image draws on the image itself"
         (lambda ()
           (let* ((image (qv-load-example))
                  (result (car (plug-in-qv-render-timeline-image image "Demo" 1.0))))
             (qv-check-equal "the same image" image result)
             (qv-check-equal "blue key at the end" '(30 60 220) (qv-rgb (qv-layer-of image) 280 110))
             (gimp-image-delete image))))

(qv-test "frames to disk from a script, and requests that render nothing"
         (lambda ()
           (let* ((image (qv-load-example))
                  (layer (qv-layer-of image))
                  (first (string-append qv-tmp-dir "/demo_48.png")))
             (qv-check-equal "two frames saved" 1 (car (plug-in-qv-render-timeline-save 1 image layer "Demo" first 2)))
             (qv-check "demo_48.png and demo_49.png"
                       (and (qv-file-exists? first) (qv-file-exists? (string-append qv-tmp-dir "/demo_49.png"))))
             (qv-check-equal "no such timeline" 0
                             (car (plug-in-qv-render-timeline-save 1 image layer "No such timeline" first 2)))
             (qv-check-equal "no frames" 0 (car (plug-in-qv-render-timeline-save 1 image layer "Demo" first 0)))
             (qv-check-equal "escaped strings in mode 2" 1
                             (car (plug-in-qv-render-timeline-save 2 image layer "Demo"
                                                                   (string-append qv-tmp-dir "/esc\\t_1.png") 1)))
             (qv-check "the tab was un-escaped" (qv-file-exists? (string-append qv-tmp-dir "/esc\t_1.png")))
             (qv-check-equal "only the example is open" 1 (car (gimp-image-list)))
             (gimp-image-delete image))))
